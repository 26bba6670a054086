package dep;

// A service the application and its dependency both provide.
public interface Greeter {
  String greet();
}
