package carry;

// A JNI library found on java.library.path.
public class Native {
  static native String identity();

  public static void main(String[] args) {
    System.loadLibrary("zovcarry");
    System.out.println("NATIVE " + identity());
  }
}
