package e2e;

import java.lang.management.ManagementFactory;

/** Reports what the launcher handed over, one fact a line. */
public final class Main {
  private Main() {}

  static String escape(String s) {
    StringBuilder out = new StringBuilder();
    s.codePoints().forEach(c -> {
      if (c >= 0x20 && c < 0x7f && c != '\\') {
        out.append((char) c);
      } else {
        out.append(String.format("\\u{%x}", c));
      }
    });
    return out.toString();
  }

  public static void main(String[] args) {
    System.out.println("ARGC " + args.length);
    for (int i = 0; i < args.length; i++) {
      System.out.println("ARG " + i + " " + escape(args[i]));
    }
    for (String name : new String[] {"java.class.path", "zov.app.path",
        "application.home", "e2e.property", "java.vm.version", "sun.java.command"}) {
      System.out.println("PROP " + name + "=" + escape(String.valueOf(System.getProperty(name))));
    }
    for (String option : ManagementFactory.getRuntimeMXBean().getInputArguments()) {
      System.out.println("OPTION " + escape(option));
    }
    System.out.println("MAIN DONE");
  }
}
