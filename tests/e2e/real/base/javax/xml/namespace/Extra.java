package javax.xml.namespace;

public class Extra {
  public static String name() { return "SPLIT"; }
}
