package e2e;

/** A main that returns a value: not the signature the launcher calls. */
public final class WrongMain {
  private WrongMain() {}

  public static int main(String[] args) {
    return 0;
  }
}
