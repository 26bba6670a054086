package jj;

import java.lang.reflect.Field;

/** Tries what a jar's manifest or the java command's options allow, one line each. */
public final class Probe {
  private Probe() {}

  static void attempt(String what, java.util.concurrent.Callable<Object> action) {
    try {
      System.out.println(what + " " + action.call());
    } catch (Throwable t) {
      System.out.println(what + " " + t.getClass().getName());
    }
  }

  public static void main(String[] args) throws Exception {
    for (String arg : args) {
      switch (arg) {
        case "opens":  // Add-Opens: java.base/java.lang
          attempt("OPENS", () -> {
            Field value = String.class.getDeclaredField("value");
            value.setAccessible(true);
            return "ok";
          });
          break;
        case "exports":  // Add-Exports: java.base/jdk.internal.misc
          attempt("EXPORTS", () -> Class.forName("jdk.internal.misc.VM")
              .getMethod("isBooted").invoke(null));
          break;
        case "native":  // Enable-Native-Access: ALL-UNNAMED
          attempt("NATIVE", () -> {
            System.load("/lib/x86_64-linux-gnu/libz.so.1");
            return "ok";
          });
          break;
        case "module":  // javafx.base from the module path
          attempt("MODULE", () -> Class.forName("javafx.beans.property.SimpleIntegerProperty")
              .getModule().getName());
          break;
        default:  // a class from a merged or Class-Path dependency
          attempt("CLASS " + arg, () -> {
            Class<?> type = Class.forName(arg);
            Package p = type.getPackage();
            return type.getMethod("name").invoke(null) + " " + p.getImplementationTitle() + " "
                + p.getImplementationVersion() + " " + p.getSpecificationVersion();
          });
      }
    }
  }
}
