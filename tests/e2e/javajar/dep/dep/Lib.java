package dep;

/** A Multi-Release dependency: this is its base version. */
public final class Lib {
  private Lib() {}

  public static String name() {
    return "base";
  }
}
