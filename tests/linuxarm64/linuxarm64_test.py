#!/usr/bin/env python3
"""The ARM64 Linux launcher, run for real under user-mode qemu-aarch64
with Debian's ARM64 OpenJDK 17 (tests/linuxarm64/jdk.sh).

usage: linuxarm64_test.py ZOVPACK E2E_JAR HOST_JDK

zovpack finds the zov-arm64 stub beside it, as an installation does.
Exits 77 (CTest's skip) when the mirror or qemu is missing, after saying
so loudly.
"""
import os
import shutil
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
SKIP = 77
QEMU = shutil.which("qemu-aarch64-static") or shutil.which("qemu-aarch64")
EXPECTED = ("ARGC 2\nARG 0 a\nARG 1 b c\n")


def skip(why):
    print(f"linuxarm64: ********** SKIPPED: {why} **********")
    sys.exit(SKIP)


class Failures:
    def __init__(self):
        self.count = 0

    def check(self, ok, what, result=None):
        print(("ok: " if ok else "FAILED: ") + what)
        if not ok:
            self.count += 1
            if result is not None:
                print(f"  status {result.returncode}\n  stdout: {result.stdout}"
                      f"\n  stderr: {result.stderr}")


def run(command, env=None, timeout=600):
    return subprocess.run(command, env=env, capture_output=True, text=True,
                          timeout=timeout)


def main(argv):
    if len(argv) != 3:
        print(__doc__, file=sys.stderr)
        return 2
    zovpack, jar, host_jdk = argv
    if QEMU is None:
        skip("no qemu-aarch64 (qemu-user-static)")
    got = run(["sh", os.path.join(HERE, "jdk.sh")], timeout=1800)
    if got.returncode != 0:
        skip("no ARM64 OpenJDK from the mirror: " + got.stderr.strip())
    base = got.stdout.strip()
    root = os.path.join(base, "root")
    jdk = os.path.join(base, "jdk/usr/lib/jvm/java-17-openjdk-arm64")
    failures = Failures()
    work = tempfile.mkdtemp(prefix="zov-linuxarm64.")
    try:
        env = {"PATH": "/usr/bin:/bin", "HOME": work,
               "XDG_CACHE_HOME": os.path.join(work, "cache")}

        def pack(out, *options):
            result = run([zovpack, jar, "-o", out, "--target", "linuxarm64",
                          "--main-class", "e2e.Main", *options], env=env)
            failures.check(result.returncode == 0, "zovpack " + " ".join(options),
                           result)
            return result

        def launch(program, extra_env):
            return run([QEMU, "-L", root, program, "a", "b c"],
                       env={**env, **extra_env})

        # Plain: the runtime named by JAVA_HOME; host Javas in /usr/lib/jvm
        # (seen through qemu's root) are x86-64 and passed over.
        plain = os.path.join(work, "plain")
        pack(plain)
        result = launch(plain, {"JAVA_HOME": jdk})
        failures.check(result.returncode == 0 and result.stdout.startswith(EXPECTED)
                       and "MAIN DONE" in result.stdout,
                       "a plain launch hands over its arguments", result)

        # A runtime of the other machine first: passed over, as on Windows.
        trace = os.path.join(work, "trace")
        result = launch(plain, {"JRE_HOME": host_jdk, "JAVA_HOME": jdk,
                                "ZOV_TRACE": trace})
        said = open(trace, encoding="utf-8", errors="replace").read() \
            if os.path.exists(trace) else ""
        failures.check(result.returncode == 0 and "MAIN DONE" in result.stdout
                       and f"libjvm.so: built for x64, not ARM64" in said,
                       "an x86-64 runtime is passed over with its reason", result)
        if "built for x64" not in said:
            print(said)

        # A runtime linked from the ARM64 JDK's jmods, inside the file,
        # which runs alone in an empty folder.
        carried = os.path.join(work, "carried")
        packed = pack(carried, "--jlink", "--jmods", os.path.join(jdk, "jmods"))
        # Debian builds its runtime for its own glibc, newer than the launcher's.
        failures.check("the runtime needs glibc 2.3" in packed.stderr and
                       "the file runs only on RHEL 9" in packed.stderr,
                       "zovpack warns that Debian's runtime needs a newer glibc",
                       packed)
        alone = os.path.join(work, "alone")
        os.mkdir(alone)
        shutil.copy(carried, alone)
        result = launch(os.path.join(alone, "carried"), {})
        failures.check(result.returncode == 0 and result.stdout.startswith(EXPECTED),
                       "a file with an ARM64 runtime inside runs alone", result)
        shown = run([zovpack, "--show", carried])
        failures.check("ELF AArch64 (linuxarm64)" in shown.stdout and
                       "C library: glibc 2.3" in shown.stdout,
                       "--show names the target and the glibc needed", shown)

        # Bad input: the carried runtime damaged, never cached before.
        data = bytearray(open(carried, "rb").read())
        middle = len(data) // 2
        data[middle:middle + 4096] = bytes(4096)
        damaged = os.path.join(alone, "damaged")
        with open(damaged, "wb") as f:
            f.write(data)
        os.chmod(damaged, 0o755)
        shutil.rmtree(env["XDG_CACHE_HOME"], ignore_errors=True)
        result = launch(damaged, {})
        failures.check(result.returncode == 9 and
                       "The Java runtime inside this program could not be unpacked."
                       in result.stderr, "a damaged runtime's message and status", result)
    finally:
        shutil.rmtree(work, ignore_errors=True)
    print(f"linuxarm64: {failures.count} failed")
    return 1 if failures.count else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
