package e2e;

import java.io.File;
import java.io.FileOutputStream;
import java.io.IOException;
import java.io.OutputStreamWriter;
import java.io.Writer;
import java.nio.charset.StandardCharsets;

/**
 * A single instance that records what later starts hand it. Its arguments:
 * a fixed one, then the record's file; it runs until a file of that name
 * plus ".stop" appears. Each call of open adds one line: the directory and
 * every argument in brackets. An argument "throw" makes open throw, "hang"
 * makes it take 15 seconds.
 */
public final class Handles {
  private Handles() {}

  private static String record;

  public static void main(String[] args) throws IOException, InterruptedException {
    record = args[1];
    append("MAIN " + args[0]);
    File stop = new File(record + ".stop");
    for (int i = 0; i < 1200 && !stop.exists(); ++i) {
      Thread.sleep(100);
    }
  }

  public static void open(String directory, String[] arguments) throws Exception {
    StringBuilder line = new StringBuilder("OPEN " + directory);
    for (String argument : arguments) {
      line.append(" [").append(argument).append(']');
    }
    for (String argument : arguments) {
      if (argument.equals("throw")) throw new IllegalArgumentException("asked to throw");
      if (argument.equals("hang")) Thread.sleep(15000);
    }
    append(line.toString());
  }

  private static synchronized void append(String line) throws IOException {
    try (Writer out = new OutputStreamWriter(new FileOutputStream(record, true),
        StandardCharsets.UTF_8)) {
      out.write(line + "\n");
    }
  }
}
