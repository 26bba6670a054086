package e2e.real;

class Feature {
  static String name() {
    return "FEATURE 11 " + java.net.http.HttpClient.Version.HTTP_2;
  }
}
