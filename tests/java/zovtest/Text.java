package zovtest;

/** Text as ASCII, whatever the console's encoding: other characters as [U+XXXX]. */
final class Text {
  private Text() {}

  static String escape(String text) {
    if (text == null) return "(null)";
    StringBuilder out = new StringBuilder();
    text.codePoints().forEach(cp -> {
      if (cp >= 0x20 && cp < 0x7F && cp != '[') {
        out.append((char) cp);
      } else {
        out.append(String.format("[U+%04X]", cp));
      }
    });
    return out.toString();
  }
}
