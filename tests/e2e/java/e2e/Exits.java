package e2e;

/** Ends the process through System.exit with the status it is given. */
public final class Exits {
  private Exits() {}

  public static void main(String[] args) {
    System.exit(Integer.parseInt(args[0]));
  }
}
