package e2e;

/** A main that fails: the launcher describes the exception and goes on. */
public final class Throws {
  private Throws() {}

  public static void main(String[] args) {
    throw new IllegalStateException("thrown out of main");
  }
}
