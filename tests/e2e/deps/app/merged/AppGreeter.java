package merged;

public class AppGreeter implements dep.Greeter {
  public String greet() {
    return "app greeter";
  }
}
