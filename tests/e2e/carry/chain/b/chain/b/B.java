package chain.b;

public class B {
  public static String hello() {
    return "b";
  }
}
