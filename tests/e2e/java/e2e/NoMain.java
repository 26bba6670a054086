package e2e;

/** A class without a main method. */
public final class NoMain {
  private NoMain() {}

  public static int notMain(String[] args) {
    return args.length;
  }
}
