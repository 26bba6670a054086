package e2e;

/** Leaves a non-daemon thread running after main returns. */
public final class Lingers {
  private Lingers() {}

  public static void main(String[] args) {
    Thread worker = new Thread(() -> {
      try {
        Thread.sleep(1500);
      } catch (InterruptedException e) {
        return;
      }
      System.out.println("WORKER DONE");
    });
    worker.start();
    System.out.println("MAIN RETURNS");
  }
}
