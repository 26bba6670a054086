package modular;

/** A modular application: runs as its named module, as java -m runs it. */
public final class Hello {
  private Hello() {}

  public static void main(String[] args) {
    System.out.println("MODULE " + Hello.class.getModule().getName());
    System.out.println("MAIN DONE");
  }
}
