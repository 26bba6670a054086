package e2e;

/** Runs on a runtime the packed file carries: java.base alone. */
public final class Carried {
  private Carried() {}

  public static void main(String[] args) {
    for (String arg : args) {
      System.out.println("ARG " + arg);
    }
    System.out.println("SUM " + java.util.stream.IntStream.rangeClosed(1, 100).sum());
    // Standard error, so that standard output is the same as java -cp's.
    System.err.println("HOME " + System.getProperty("java.home"));
    System.out.println("MAIN DONE");
  }
}
