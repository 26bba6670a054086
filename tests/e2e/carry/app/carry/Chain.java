package carry;

// Needs a.jar, which reaches b.jar only through its manifest's Class-Path.
public class Chain {
  public static void main(String[] args) {
    System.out.println("CHAIN " + chain.a.A.hello());
  }
}
