#!/usr/bin/env python3
"""Turns resources/messages.txt into the Windows string tables (an .rc file)
and the compiled-in table of the Linux launcher (a C++ include)."""
import string
import sys

LANGUAGES = [(1033, 0x09, 0x01), (1028, 0x04, 0x01), (2052, 0x04, 0x02)]


def read_table(path):
    table = {}
    with open(path, encoding="utf-8") as source:
        for line in source:
            line = line.rstrip("\n")
            if not line or line.startswith("#"):
                continue
            fields = line.split("\t")
            if len(fields) != 4:
                sys.exit(f"{path}: expected 4 tab-separated fields: {line!r}")
            table[int(fields[0])] = fields[1:]
    return table


def block_units(table, column):
    """The standard string-table block 1: 16 counted UTF-16 entries."""
    units = []
    for entry in range(16):
        text = table[entry][column] if entry in table else ""
        encoded = text.encode("utf-16-le")
        units.append(len(encoded) // 2)
        units.extend(int.from_bytes(encoded[i:i + 2], "little")
                     for i in range(0, len(encoded), 2))
    return units


def rc_string(text):
    # Hex escapes keep the texts independent of windres's code page; a hex
    # digit right after an escape is escaped too, or it would extend it.
    out = []
    escaped = False
    for ch in text:
        if ch == '"':
            out.append('""')
            escaped = False
        elif 0x20 <= ord(ch) < 0x7F and not (escaped and ch in string.hexdigits):
            out.append(ch)
            escaped = False
        else:
            out.append("\\x%04x" % ord(ch))
            escaped = True
    return 'L"' + "".join(out) + '"'


def write_rc(table, path):
    with open(path, "w", encoding="ascii") as rc:
        rc.write("// Generated from messages.txt; do not edit.\n")
        for column, (lang_id, primary, sub) in enumerate(LANGUAGES):
            rc.write(f"LANGUAGE 0x{primary:02x}, 0x{sub:02x}\n")
            rc.write("STRINGTABLE\nBEGIN\n")
            for entry in sorted(table):
                rc.write(f"  {entry}, {rc_string(table[entry][column])}\n")
            rc.write("END\n\n")


def write_inc(table, path):
    with open(path, "w", encoding="ascii") as inc:
        inc.write("// Generated from messages.txt; do not edit.\n")
        for column, (lang_id, _, _) in enumerate(LANGUAGES):
            units = block_units(table, column)
            body = ", ".join("0x%04x" % u for u in units)
            inc.write(f"static const uint16_t kMessages{lang_id}[] = {{{body}}};\n")
        inc.write("static const MessageBlock kMessageBlocks[] = {\n")
        for lang_id, _, _ in LANGUAGES:
            inc.write(f"  {{{lang_id}, kMessages{lang_id}, "
                      f"static_cast<int>(sizeof kMessages{lang_id})}},\n")
        inc.write("};\n")


def main():
    if len(sys.argv) != 4:
        sys.exit("usage: gen_messages.py messages.txt out.rc out.inc")
    table = read_table(sys.argv[1])
    write_rc(table, sys.argv[2])
    write_inc(table, sys.argv[3])


if __name__ == "__main__":
    main()
