#!/usr/bin/env python3
"""Writes the seed corpora below corpus/, one directory per fuzz target.

The seeds are small, valid or nearly valid inputs that show each parser its
main paths; the fuzzer mutates from there. Inputs that once found a fault
are kept beside them (named crash-* or finding-*) and are not written here.
Run again after changing a seed; the output is deterministic."""
import io
import os
import struct
import sys
import zipfile
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))


def put(target, name, data):
    directory = os.path.join(HERE, "corpus", target)
    os.makedirs(directory, exist_ok=True)
    if isinstance(data, str):
        data = data.encode("utf-8")
    with open(os.path.join(directory, name), "wb") as f:
        f.write(data)


def config_lookup():
    # First byte: where the embedded part starts (scaled to the length).
    put("fuzz_config_lookup", "keys", b"\x60" + (
        b"option -Xmx256m\r\n   OPTION   -Xms8m\r\noption-Xss1m\n"
        b"options s\rproperty a=%ZA%\n\rclasspath lib\\a.jar;;b.jar;\r\n"
        b"jre_order e s\r\njvmdll %JAVA_HOME%\\bin\\server\\jvm.dll\r\n"
        b"minjre 1.6\r\n\r\nmainclass demo.Hello\r\n#option no\r\nopt\r\n"))
    put("fuzz_config_lookup", "nul", b"\x80minjre 1.4\r\n\0minjre 9.9\r\n"
        b"mainclass a.B")
    put("fuzz_config_lookup", "line-ends", b"\x00option a\r\r\n\n\roption b"
        b"\n\noption\toption c \t\r")
    put("fuzz_config_lookup", "empty", b"\xff")


def expand():
    for name, text in [
            ("home", "%JAVA_HOME%\\bin"), ("unset", "%UNSET%\\bin"),
            ("unset-open", "%UNSET%ZA%"), ("twice", "a%ZA%b%za%"),
            ("percent-end", "100%"), ("pair", "%%"),
            ("empty-value", "x%ZEMPTY%y"), ("no-rescan", "%ZPCT%"),
            ("equals", "%ZEQ=k%"), ("long", "%ZLONG%%ZLONG%"),
            ("nul", "%Z\0A%%ZA%")]:
        put("fuzz_expand", name, text)


def class_path():
    for name, text in [
            ("pieces", "lib\\a.jar;;lib\\b.jar;"), ("exists", "a.jar;b.jar;c.jar"),
            ("variable", "%ZCP%;%ZA%.jar"), ("empty", ";;"),
            ("absolute", "/abs/x.jar;C:\\x.jar;\\\\server\\share\\y.jar;D:y"),
            ("subdir", "lib/b.jar;lib/../a.jar"), ("wildcard", "*.jar;lib/?.jar")]:
        put("fuzz_class_path", name, text)


def end_record(comment, length=None):
    return (b"PK\x05\x06" + b"\0" * 16 +
            struct.pack("<H", len(comment) if length is None else length) +
            comment)


def embedded_comment():
    put("fuzz_embedded_comment", "record", b"MZ" + b"\0" * 300 +
        end_record(b"mainclass a.B\r\n"))
    put("fuzz_embedded_comment", "inner", b"\0" * 100 +
        end_record(b"key a\r\n" + end_record(b"key b")))
    put("fuzz_embedded_comment", "window", b"z" * 100 + end_record(b"c" * 2048))
    put("fuzz_embedded_comment", "short", b"PK\x05\x06" + b"\0" * 17)
    put("fuzz_embedded_comment", "tail", b"x" * 40 + end_record(b"") + b"PK\x05\x06")
    # Signed images: the certificate table ends the file and hides a record
    # of its own; PE32+ and PE32 headers.
    archive = b"a" * 300 + end_record(b"mainclass a.B\r\n") + b"\0" * 3
    table = b"S" * 40 + end_record(b"in the table") + b"S" * 40
    for name, magic, directories in [("signed", 0x20b, 112),
                                     ("signed-pe32", 0x10b, 96)]:
        head = bytearray(512)
        head[0:2] = b"MZ"
        struct.pack_into("<I", head, 60, 0x80)
        head[0x80:0x84] = b"PE\0\0"
        struct.pack_into("<H", head, 0x80 + 24, magic)
        at = 0x80 + 24 + directories
        struct.pack_into("<I", head, at - 4, 16)
        struct.pack_into("<II", head, at + 32, len(head) + len(archive),
                         len(table))
        put("fuzz_embedded_comment", name, bytes(head) + archive + table)


def string_block(texts):
    out = b""
    for text in texts:
        units = text.encode("utf-16-le")
        out += struct.pack("<H", len(units) // 2) + units
    return out


def string_table():
    texts = [""] * 16
    texts[1] = "Java Runtime Environment not found."
    texts[6] = "Java virtual machine version %d.%d is too low, require %d.%d or higher."
    texts[10] = "Error"
    texts[7] = "\u4e3b\u542f\u52a8\u7c7b\u672a\u627e\u5230\u3002"
    put("fuzz_string_table", "english", string_block(texts))
    put("fuzz_string_table", "cut", string_block(texts)[:40])
    put("fuzz_string_table", "long-count", b"\x05\x00a\x00\xff\xffb\x00")
    put("fuzz_string_table", "surrogates", string_block(["", "x\U0001f600y"]) + b"\x00\xd8")


def zip_bytes(entries, comment=b"", zip64=False, method=zipfile.ZIP_DEFLATED):
    buffer = io.BytesIO()
    with zipfile.ZipFile(buffer, "w", compression=method) as z:
        for name, data in entries:
            info = zipfile.ZipInfo(name, date_time=(2020, 1, 1, 0, 0, 0))
            info.compress_type = method
            with z.open(info, "w", force_zip64=zip64) as f:
                f.write(data)
        z.comment = comment
    return buffer.getvalue()


def zip_seeds():
    manifest = b"Manifest-Version: 1.0\r\nMain-Class: demo.Hello\r\n\r\n"
    put("fuzz_zip", "jar", zip_bytes([("META-INF/MANIFEST.MF", manifest),
                                      ("demo/Hello.class", b"\xca\xfe\xba\xbe" * 8)]))
    put("fuzz_zip", "stored", zip_bytes([("a.txt", b"hello")], comment=b"note",
                                        method=zipfile.ZIP_STORED))
    put("fuzz_zip", "zip64", zip_bytes([("big.bin", b"z" * 64)], zip64=True))
    put("fuzz_zip", "behind-stub", b"MZ" + b"\0" * 62 +
        zip_bytes([("x", b"y")], comment=b"mainclass a.B\r\n"))
    put("fuzz_zip", "empty", end_record(b""))


def resource_tree(resources, rva):
    """The resource section for [(type, name, language, data)] at rva."""
    types = {}
    for t, n, lang, data in resources:
        types.setdefault(t, {}).setdefault(n, {})[lang] = data

    def directory(count):
        return struct.pack("<IIHHHH", 0, 0, 0, 0, 0, count)

    # Layout: type directory, name directories, language directories, data
    # entries, then the data.
    out = bytearray()
    fixups = []
    name_dirs = []
    out += directory(len(types))
    type_entries = len(out)
    out += b"\0" * 8 * len(types)
    lang_dirs = []
    for i, (t, names) in enumerate(sorted(types.items())):
        struct.pack_into("<II", out, type_entries + 8 * i, t, 0x80000000 | len(out))
        out += directory(len(names))
        name_entries = len(out)
        out += b"\0" * 8 * len(names)
        for j, (n, langs) in enumerate(sorted(names.items())):
            struct.pack_into("<II", out, name_entries + 8 * j, n, 0x80000000 | len(out))
            out += directory(len(langs))
            lang_entries = len(out)
            out += b"\0" * 8 * len(langs)
            for k, (lang, data) in enumerate(sorted(langs.items())):
                lang_dirs.append((lang_entries + 8 * k, lang, data))
    for pos, lang, data in lang_dirs:
        struct.pack_into("<II", out, pos, lang, len(out))
        fixups.append((len(out), data))
        out += b"\0" * 16
    for pos, data in fixups:
        while len(out) % 8:
            out += b"\0"
        struct.pack_into("<IIII", out, pos, rva + len(out), len(data), 0, 0)
        out += data
    return bytes(out)


def pe_image(plus, resources):
    rva, raw = 0x1000, 0x200
    rsrc = resource_tree(resources, rva)
    raw_size = (len(rsrc) + 0x1ff) & ~0x1ff
    optional_size = (112 if plus else 96) + 16 * 8
    header = bytearray(b"MZ" + b"\0" * 58 + struct.pack("<I", 64))
    header += b"PE\0\0" + struct.pack("<HHIIIHH", 0x8664 if plus else 0x14c, 1,
                                      0, 0, 0, optional_size, 0x22)
    optional = bytearray(optional_size)
    struct.pack_into("<H", optional, 0, 0x20b if plus else 0x10b)
    struct.pack_into("<II", optional, 32, 0x1000, 0x200)
    struct.pack_into("<II", optional, 56, rva + 0x1000, raw)
    struct.pack_into("<H", optional, 68, 2)
    struct.pack_into("<I", optional, 108 if plus else 92, 16)
    struct.pack_into("<II", optional, (112 if plus else 96) + 2 * 8, rva, len(rsrc))
    header += optional
    header += struct.pack("<8sIIIIIIHHI", b".rsrc", len(rsrc), rva, raw_size,
                          raw, 0, 0, 0, 0, 0x40000040)
    header += b"\0" * (raw - len(header))
    return bytes(header) + rsrc + b"\0" * (raw_size - len(rsrc))


def pe_seeds():
    bitmap = b"BM" + struct.pack("<IHHI", 70, 0, 0, 62) + struct.pack(
        "<IiiHHIIiiII", 40, 1, 1, 1, 1, 0, 8, 0, 0, 2, 0) + b"\0" * 8 + b"\x80" + b"\0" * 7
    strings = string_block(["", "Java Runtime Environment not found."] + [""] * 8 +
                           ["Error"] + [""] * 5)
    resources = [(2, 100, 1033, bitmap), (6, 1, 1033, strings),
                 (6, 1, 2052, strings[:20]), (14, 1, 0, b"\0\0\1\0\1\0" + b"\0" * 14)]
    put("fuzz_pe", "pe32plus", pe_image(True, resources))
    put("fuzz_pe", "pe32", pe_image(False, resources[:2]))
    put("fuzz_pe", "elf", b"\x7fELF\x02\x01\x01" + b"\0" * 57)


def manifest_seeds():
    put("fuzz_manifest", "launch", "Manifest-Version: 1.0\r\nMain-Class: a.B\r\n"
        "Add-Opens: java.base/java.lang java.desktop/sun.awt\r\nAdd-Exports: x/y\r\n"
        "Enable-Native-Access: ALL-UNNAMED\r\nClass-Path: lib/a.jar\r\n  lib/b.jar\r\n"
        "Multi-Release: true\r\n\r\nName: dep/\r\nImplementation-Version: 2.5\r\n\r\n")
    put("fuzz_manifest", "odd", "main-class:a\n broken\rName: x\n\n\nStray: y\n"
        "Name: " + "\u00e9" * 40 + "\n Name: z\n\nName: \n")


def version_node(key, value=b"", type_=1, value_length=0, children=b""):
    node = key.encode("utf-16-le") + b"\0\0"
    node += b"\0" * (-(6 + len(node)) % 4) + value
    if children:
        node += b"\0" * (-(6 + len(node)) % 4) + children
    return struct.pack("<3H", 6 + len(node), value_length, type_) + node


def pad4(b):
    return b + b"\0" * (-len(b) % 4)


def version_seeds():
    strings = b""
    for key, value in (("ProductName", "Zoë"), ("FileVersion", "2.5.1-beta")):
        text = value.encode("utf-16-le") + b"\0\0"
        strings += pad4(version_node(key, text, 1, len(value) + 1))
    table = version_node("000004b0", children=strings)
    info = version_node("StringFileInfo", children=pad4(table))
    var = version_node("VarFileInfo", children=version_node(
        "Translation", b"\0\0\xb0\x04", 0, 4))
    fixed = struct.pack("<13I", 0xFEEF04BD, 0x10000, 0x20005, 0x10000,
                        0x20005, 0x10000, 0x3F, 0, 0x40004, 1, 0, 0, 0)
    put("fuzz_version_record", "record",
        version_node("VS_VERSION_INFO", fixed, 0, 52, pad4(info) + var))


def image_seeds():
    def chunk(kind, body):
        return (struct.pack(">I", len(body)) + kind + body +
                struct.pack(">I", zlib.crc32(kind + body)))
    for name, colour_type, pixel in (("rgba.png", 6, b"\x20\x60\xa0\x80"),
                                     ("grey.png", 0, b"\x7f")):
        rows = b"".join(b"\0" + pixel * 3 for _ in range(2))
        put("fuzz_splash_image", name, b"\x89PNG\r\n\x1a\n" +
            chunk(b"IHDR", struct.pack(">IIBBBBB", 3, 2, 8, colour_type, 0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(rows)) + chunk(b"IEND", b""))
    put("fuzz_splash_image", "one.gif",
        b"GIF89a\1\0\1\0\x80\0\0\xff\0\0\0\0\0!\xf9\4\1\0\0\0\0"
        b",\0\0\0\0\1\0\1\0\0\2\2D\1\0;")


def runtime_stream(entries):
    """The decoded payload of a packed runtime: kind, size, path; data."""
    listing = b"".join(kind + struct.pack("<Q", len(data)) + path + b"\0"
                       for kind, path, data in entries)
    return (b"ZRT1" + struct.pack("<I", len(listing)) + listing +
            b"".join(data for _, _, data in entries))


def raw_deflate(data, level=9):
    z = zlib.compressobj(level, zlib.DEFLATED, -15)
    return z.compress(data) + z.flush()


def runtime_seeds():
    stream = runtime_stream([(b"d", b"lib", b""),
                             (b"f", b"lib/a.txt", b"hello " * 40),
                             (b"x", b"lib/run", b"#!/bin/sh\n"),
                             (b"f", b"empty", b"")])
    put("fuzz_runtime_payload", "runtime", raw_deflate(stream))
    put("fuzz_runtime_payload", "stored", raw_deflate(stream, 0))
    put("fuzz_runtime_payload", "escape",
        raw_deflate(runtime_stream([(b"f", b"../x", b"y")])))
    put("fuzz_runtime_payload", "text", b"abcabcabcabc" * 20)


def instance_message_seeds():
    def frame(texts):
        body = b"".join(t.encode("utf-8") + b"\0" for t in texts)
        return b"zovi" + struct.pack("<I", len(body)) + body
    put("fuzz_instance_message", "directory-only", frame(["/home/user"]))
    put("fuzz_instance_message", "arguments",
        frame(["C:\\Users\\u", "--fixed", "", "\u00e4 \u4e2d", "two words"]))
    put("fuzz_instance_message", "no-end", b"zovi\x03\0\0\0abc")
    put("fuzz_instance_message", "too-long", b"zovi\xff\xff\xff\x7f")


def main():
    manifest_seeds()
    config_lookup()
    expand()
    class_path()
    embedded_comment()
    string_table()
    zip_seeds()
    pe_seeds()
    version_seeds()
    image_seeds()
    runtime_seeds()
    instance_message_seeds()
    return 0


if __name__ == "__main__":
    sys.exit(main())
