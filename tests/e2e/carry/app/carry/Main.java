package carry;

// One file for every carried-files scenario: the first argument names the
// class whose main runs with the rest (Logs, Chain, Native, Home).
public class Main {
  public static void main(String[] args) throws Exception {
    String[] rest = java.util.Arrays.copyOfRange(args, 1, args.length);
    Class.forName("carry." + args[0]).getMethod("main", String[].class)
        .invoke(null, (Object) rest);
  }
}
