package e2e.real;

class Feature {
  static String name() { return "FEATURE base"; }
}
