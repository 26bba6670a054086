#!/usr/bin/env python3
"""Fails when a Linux launcher needs more than glibc 2.17 offers.

usage: glibc_floor_check.py [--expect-refusal] FILE...

A launcher may import symbols of glibc versions up to 2.17 and name only
glibc's own libraries: libc.so.6, libdl.so.2 and libpthread.so.0 (which
every glibc has: the latter two held dlopen and the threads before 2.34,
and remain as empty libraries after), and the dynamic loader. Anything
else is what a distribution of 2013 (RHEL 7) might lack. Reads readelf's
report, so any machine's ELF file is checked here.
"""
import re
import subprocess
import sys

FLOOR = (2, 17)
ALLOWED_LIBRARIES = {"libc.so.6", "libdl.so.2", "libpthread.so.0",
                     "ld-linux-x86-64.so.2", "ld-linux-aarch64.so.1"}


def readelf(path, *options):
    return subprocess.run(["readelf", "-W", *options, path], check=True,
                          capture_output=True, text=True).stdout


def version_tuple(name):
    return tuple(int(part) for part in name.split("_", 1)[1].split("."))


def problems(dynamic, versions, symbols):
    """What is wrong, from readelf -d, -V and --dyn-syms output."""
    found = []
    for library in re.findall(r"\(NEEDED\)\s+Shared library: \[(.+?)\]",
                              dynamic):
        if library not in ALLOWED_LIBRARIES:
            found.append("needs library " + library)
    needs = versions.split("Version needs section", 1)
    for file, body in re.findall(r"File: (\S+)\s+Cnt: \d+\n((?:\s+0x\w+:\s+Name:.*\n?)*)",
                                 needs[1] if len(needs) > 1 else ""):
        for version in re.findall(r"Name: (\S+)", body):
            if not re.fullmatch(r"GLIBC_\d+(\.\d+)*", version):
                found.append(f"needs {version} of {file}")
            elif version_tuple(version) > FLOOR:
                users = sorted(set(re.findall(r"\sUND\s+(\S+)@" + re.escape(version)
                                              + r"\b", symbols)))
                found.append(f"needs {version} of {file} for "
                             + (", ".join(users) or "no named symbol"))
    return found


def main(argv):
    expect_refusal = argv[:1] == ["--expect-refusal"]
    files = argv[1:] if expect_refusal else argv
    if not files:
        print(__doc__, file=sys.stderr)
        return 2
    status = 0
    for path in files:
        found = problems(readelf(path, "-d"), readelf(path, "-V"),
                         readelf(path, "--dyn-syms"))
        for problem in found:
            print(f"{path}: {problem}")
        if expect_refusal and not found:
            print(f"{path}: expected to need more than glibc "
                  f"{FLOOR[0]}.{FLOOR[1]}, but passed")
            status = 1
        elif not expect_refusal and found:
            status = 1
        elif not found:
            print(f"{path}: glibc {FLOOR[0]}.{FLOOR[1]} is enough")
    return status


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
