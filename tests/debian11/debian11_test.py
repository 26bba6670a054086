#!/usr/bin/env python3
"""A Linux file with a runtime inside, linked from Temurin 25 (which needs
glibc 2.17), runs in a minimal Debian 11 root (glibc 2.31,
tests/debian11/root.sh), copied there alone, with the output it has here.

usage: debian11_test.py ZOVPACK E2E_JAR TEMURIN_HOME

Exits 77 (CTest's skip) after saying so loudly when the mirror, Temurin
or the rights to chroot are missing.
"""
import os
import shutil
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
SKIP = 77


def skip(why):
    print(f"debian11: ********** SKIPPED: {why} **********")
    sys.exit(SKIP)


def run(command, **kwargs):
    return subprocess.run(command, capture_output=True, text=True,
                          timeout=900, **kwargs)


def main(argv):
    if len(argv) != 3:
        print(__doc__, file=sys.stderr)
        return 2
    zovpack, jar, temurin = argv
    if not os.access(os.path.join(temurin, "bin", "jlink"), os.X_OK):
        skip(f"no Temurin JDK at {temurin}")
    if os.geteuid() != 0:
        skip("chroot needs root")
    got = run(["sh", os.path.join(HERE, "root.sh")])
    if got.returncode != 0:
        skip("no Debian 11 root from the mirror: " + got.stderr.strip())
    root = got.stdout.strip()

    work = tempfile.mkdtemp(prefix="zov-debian11.")
    inside = root + work  # the same path in the root, so the output matches
    try:
        packed = os.path.join(work, "app")
        result = run([zovpack, jar, "-o", packed, "--target", "linux",
                      "--main-class", "e2e.Main", "--jlink", "--jdk", temurin])
        # Temurin's runtime needs no newer glibc than the launcher.
        if result.returncode != 0 or "needs glibc" in result.stderr:
            print(result.stdout, result.stderr)
            return 1
        alone = os.path.join(work, "alone")
        os.makedirs(alone)
        os.makedirs(inside + "/alone")
        shutil.copy(packed, alone)
        shutil.copy(packed, inside + "/alone")
        env = {"PATH": "/usr/bin:/bin", "HOME": work,
               "XDG_CACHE_HOME": os.path.join(work, "cache")}
        program = [os.path.join(alone, "app"), "a", "b c"]
        here = run(program, env=env)
        # A mount namespace of its own: /proc for the launcher and the
        # runtime, gone with the process, whoever else uses the root.
        chroot = shutil.which("chroot", path="/usr/sbin:/usr/bin:/sbin:/bin")
        there = run(["unshare", "--mount", "--fork", "sh", "-c",
                     'mount -t proc proc "$0/proc" && exec "$@"',
                     root, chroot, root, *program], env=env)
        ok = (here.returncode == 0 and "MAIN DONE" in here.stdout and
              there.returncode == here.returncode and there.stdout == here.stdout)
        print("here:", here.returncode, here.stdout, here.stderr, sep="\n")
        print("in Debian 11:", there.returncode, there.stdout, there.stderr,
              sep="\n")
        print("ok" if ok else "FAILED: the outputs differ or the run failed")
        return 0 if ok else 1
    finally:
        shutil.rmtree(work, ignore_errors=True)
        shutil.rmtree(inside, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
