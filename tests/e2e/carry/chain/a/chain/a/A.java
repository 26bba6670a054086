package chain.a;

public class A {
  public static String hello() {
    return "a then " + chain.b.B.hello();
  }
}
