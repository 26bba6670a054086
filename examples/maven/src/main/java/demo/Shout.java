package demo;

import org.apache.commons.lang3.StringUtils;

/** Prints its arguments upper-cased and joined, with the dependency's help. */
public class Shout {
  public static void main(String[] args) {
    System.out.println(StringUtils.upperCase(StringUtils.join(args, ' ')) + "!");
  }
}
