package e2e;

import java.io.File;
import java.util.Map;
import java.util.TreeMap;

/** Reports what odd configurations and arguments turned into, briefly. */
public final class Probe {
  private Probe() {}

  /** Long texts by length and content, so that output stays short. */
  static String brief(String s) {
    if (s.length() <= 80) {
      return Main.escape(s);
    }
    boolean same = s.chars().allMatch(c -> c == s.charAt(0));
    return "length " + s.length() + (same ? " all " + Main.escape(s.substring(0, 1))
        : " from " + Main.escape(s.substring(0, 40)));
  }

  public static void main(String[] args) {
    System.out.println("ARGC " + args.length);
    for (int i = 0; i < args.length; i++) {
      System.out.println("ARG " + i + " " + brief(args[i]));
    }
    // Properties named bad.*; numbered ones (bad.n0, bad.n1, ...) counted.
    Map<String, String> bad = new TreeMap<>();
    int numbered = 0;
    for (String name : System.getProperties().stringPropertyNames()) {
      if (name.matches("bad\\.n[0-9]+")) {
        numbered++;
      } else if (name.startsWith("bad.")) {
        bad.put(name, System.getProperty(name));
      }
    }
    for (Map.Entry<String, String> e : bad.entrySet()) {
      System.out.println("PROP " + e.getKey() + "=" + brief(e.getValue()));
    }
    System.out.println("NUMBERED " + numbered);
    String[] entries = System.getProperty("java.class.path").split(File.pathSeparator, -1);
    System.out.println("CLASSPATH " + entries.length + " last " + brief(entries[entries.length - 1]));
    System.out.println("MAIN DONE");
  }
}
