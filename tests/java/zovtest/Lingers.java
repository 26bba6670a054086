package zovtest;

/** A main that returns while a non-daemon thread still has work to do. */
public final class Lingers {
  private Lingers() {}

  public static void main(String[] args) {
    Thread worker = new Thread(() -> {
      try {
        Thread.sleep(400);
      } catch (InterruptedException e) {
        return;
      }
      System.out.println("worker done");
    });
    worker.setDaemon(false);
    worker.start();
    System.out.println("main returned");
  }
}
