"""Reads each launcher given with pefile: no warning, the machine its name
says, imports that resolve to names, and a version record."""
import sys

import pefile


def machine_of(name):
    """zova64.exe and zovca64.exe are ARM64, *64.exe x64, *32.exe x86."""
    if name.endswith("a64.exe"):
        return 0xAA64
    return 0x8664 if name.endswith("64.exe") else 0x014C


def check(path):
    problems = []
    pe = pefile.PE(path)
    problems += ["warning: " + w for w in pe.get_warnings()]
    if pe.FILE_HEADER.Machine != machine_of(path):
        problems.append("machine 0x%04x" % pe.FILE_HEADER.Machine)
    imports = getattr(pe, "DIRECTORY_ENTRY_IMPORT", [])
    if not imports:
        problems.append("no imports")
    for dll in imports:
        for symbol in dll.imports:
            if symbol.name is None:
                problems.append("%s imports by ordinal" % dll.dll.decode())
    if not getattr(pe, "VS_FIXEDFILEINFO", None):
        problems.append("no version record")
    return problems


def main(paths):
    failed = 0
    for path in paths:
        problems = check(path)
        print("%s: %s" % (path, "; ".join(problems) or "ok"))
        failed += bool(problems)
    print("%d passed, %d failed" % (len(paths) - failed, failed))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
