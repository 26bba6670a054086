package e2e;

/** Calls a method that Java 24 and later warn about without native access. */
public final class Restricted {
  private Restricted() {}

  public static void main(String[] args) {
    System.loadLibrary("net");
    System.out.println("LOADED");
  }
}
