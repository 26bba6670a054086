package zovtest;

/** A main that ends with an exception. */
public final class Throws {
  private Throws() {}

  public static void main(String[] args) {
    throw new IllegalStateException("zovtest boom");
  }
}
