package demo;

/** A small application that shows what the launcher handed it. */
public final class Hello {
  private Hello() {}

  public static void main(String[] args) {
    System.out.println("Hello from a zov-packed application.");
    System.out.println("  Java " + System.getProperty("java.vm.version")
        + " (" + System.getProperty("java.vm.name") + ")");
    System.out.println("  zov.app.path     = " + System.getProperty("zov.app.path"));
    System.out.println("  application.home = " + System.getProperty("application.home"));
    System.out.println("  greeting         = " + System.getProperty("demo.greeting"));
    System.out.println("  " + args.length + " argument(s)");
    for (String arg : args) {
      System.out.println("    [" + arg + "]");
    }
  }
}
