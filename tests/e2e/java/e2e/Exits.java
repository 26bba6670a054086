package e2e;

/** Ends through System.exit with the status given as its first argument. */
public final class Exits {
  private Exits() {}

  public static void main(String[] args) {
    System.out.println("EXITING " + args[0]);
    System.exit(Integer.parseInt(args[0]));
  }
}
