package deep;

/** Named only by the dependency's own Class-Path. */
public final class Deep {
  private Deep() {}

  public static String name() {
    return "deep";
  }
}
