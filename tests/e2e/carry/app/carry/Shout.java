package carry;

import java.util.Locale;
import org.apache.logging.log4j.core.LogEvent;
import org.apache.logging.log4j.core.config.plugins.Plugin;
import org.apache.logging.log4j.core.pattern.ConverterKeys;
import org.apache.logging.log4j.core.pattern.LogEventPatternConverter;
import org.apache.logging.log4j.core.pattern.PatternConverter;

// %shout: a converter of the application's own, found only through the
// plugin index javac writes into this jar.
@Plugin(name = "Shout", category = PatternConverter.CATEGORY)
@ConverterKeys({"shout"})
public final class Shout extends LogEventPatternConverter {
  private Shout() {
    super("Shout", "shout");
  }

  public static Shout newInstance(String[] options) {
    return new Shout();
  }

  @Override
  public void format(LogEvent event, StringBuilder out) {
    out.append(event.getMessage().getFormattedMessage().toUpperCase(Locale.ROOT));
  }
}
