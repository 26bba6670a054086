package dep;

/** The version a Java 11 or later runtime loads. */
public final class Lib {
  private Lib() {}

  public static String name() {
    return "release 11";
  }
}
