package merged;

import java.util.ServiceLoader;

// Needs its dependency's classes and both halves of one services file.
public class Main {
  public static void main(String[] args) {
    for (dep.Greeter g : ServiceLoader.load(dep.Greeter.class)) {
      System.out.println("GREET " + g.greet());
    }
    System.out.println("ZOV_APP_DIR " + System.getenv("ZOV_APP_DIR"));
  }
}
