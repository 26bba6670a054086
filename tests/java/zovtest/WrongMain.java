package zovtest;

/** A main that takes one String instead of String[]. */
public final class WrongMain {
  private WrongMain() {}

  public static void main(String arg) {
    System.out.println("WrongMain ran");
  }
}
