package carry;

import org.apache.logging.log4j.LogManager;
import org.apache.logging.log4j.Logger;

// Logs through log4j2 with a layout that needs log4j-core's converters and
// this jar's own (Shout): both plugin indexes must be found.
public class Logs {
  public static void main(String[] args) {
    Logger log = LogManager.getLogger(Logs.class);
    log.info("started with {} arguments", args.length);
    log.warn("quiet words");
  }
}
