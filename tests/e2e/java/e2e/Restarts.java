package e2e;

import java.io.File;
import java.io.IOException;

/**
 * Prints its arguments and current directory, then ends through System.exit
 * with 9 while the marker file (the last argument) is missing, which it then
 * creates, and with 0 once it exists; with an argument "always", 9 every time.
 */
public final class Restarts {
  private Restarts() {}

  public static void main(String[] args) throws IOException {
    System.out.println("START " + String.join(" ", args) + " in "
        + new File("").getAbsolutePath());
    File marker = new File(args[args.length - 1]);
    boolean again = java.util.Arrays.asList(args).contains("always") || marker.createNewFile();
    System.exit(again ? 9 : 0);
  }
}
