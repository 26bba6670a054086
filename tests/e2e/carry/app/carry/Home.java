package carry;

import java.io.File;
import java.io.IOException;
import java.nio.charset.StandardCharsets;
import java.nio.file.Path;
import java.util.ArrayList;
import java.util.Collections;
import java.util.List;

// Reads the folder the property carry.home names, as an editor reads its
// modes: every file below it, in name order, with its first line.
public class Home {
  public static void main(String[] args) throws IOException {
    Path home = new File(System.getProperty("carry.home")).toPath();
    List<String> lines = new ArrayList<>();
    java.nio.file.Files.walk(home).filter(java.nio.file.Files::isRegularFile).forEach(p -> {
      try {
        String text = new String(java.nio.file.Files.readAllBytes(p), StandardCharsets.UTF_8);
        lines.add("FILE " + home.relativize(p).toString().replace('\\', '/') + ": "
                  + text.split("\n")[0]);
      } catch (IOException e) {
        lines.add("UNREADABLE " + p);
      }
    });
    Collections.sort(lines);
    for (String line : lines) System.out.println(line);
    System.out.println("HOME " + home);
  }
}
