package dep;

public class DepGreeter implements Greeter {
  public String greet() {
    return "dep greeter";
  }
}
