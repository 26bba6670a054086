package zovtest;

/** Prints its arguments and a few system properties, one per line. */
public final class PrintArgs {
  private PrintArgs() {}

  public static void main(String[] args) {
    System.out.println("args=" + args.length);
    for (int i = 0; i < args.length; i++) {
      System.out.println("arg[" + i + "]=" + Text.escape(args[i]));
    }
    for (String name : new String[] {"zovtest.greeting", "java.version"}) {
      System.out.println("prop " + name + "=" + Text.escape(System.getProperty(name)));
    }
  }
}
