package e2e;

import java.io.FileWriter;
import java.io.IOException;
import java.io.Writer;
import java.lang.management.ManagementFactory;

/** Writes its process id into the file its first argument names, then sleeps for the milliseconds of its second. */
public final class Waits {
  private Waits() {}

  public static void main(String[] args) throws IOException, InterruptedException {
    String pid = ManagementFactory.getRuntimeMXBean().getName().split("@")[0];
    try (Writer out = new FileWriter(args[0] + ".tmp")) {
      out.write(pid);
    }
    new java.io.File(args[0] + ".tmp").renameTo(new java.io.File(args[0]));
    Thread.sleep(Long.parseLong(args[1]));
    System.out.println("WAITED");
  }
}
