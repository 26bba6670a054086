"""The ARM64 launchers run for real: each check packs an application with
zovpack --target winarm64 and starts it under arm64 Wine (the script
`wine` beside this file) against the ARM64 build of the test runtime, as
a user on Windows on ARM64 would. Prints one line per check and the
"N passed, N failed" summary; exits non-zero when one failed.

usage: arm64_test.py ZOVPACK ARM64_BUILD X64_BUILD
"""
import os
import subprocess
import sys
import tempfile
import time
import zipfile

HERE = os.path.dirname(os.path.abspath(__file__))
WINE = os.path.join(HERE, "wine")


def windows(path):
    return "Z:" + path.replace("/", "\\")


class Suite:
    def __init__(self, zovpack, arm64_build, x64_build, work):
        self.zovpack = zovpack
        self.arm64_build = arm64_build
        self.runtime = os.path.join(arm64_build, "testruntime/jvm/jvm.dll")
        self.x64_runtime = os.path.join(x64_build, "testruntime/jvm/jvm.dll")
        self.work = work
        self.jar = os.path.join(work, "app.jar")
        with zipfile.ZipFile(self.jar, "w") as jar:
            jar.writestr("META-INF/MANIFEST.MF",
                         "Manifest-Version: 1.0\r\nMain-Class: e2e.Main\r\n\r\n")
            jar.writestr("e2e/Main.class", b"\xca\xfe\xba\xbe")
        self.env = dict(os.environ, WINEPREFIX=os.path.join(work, "prefix"),
                        WINEDEBUG="-all", WINEDLLOVERRIDES="mscoree,mshtml=")
        self.passed = self.failed = 0

    def pack(self, name, lines, console=False):
        out = os.path.join(self.work, name)
        args = [self.zovpack, self.jar, "-o", out, "--target", "winarm64"]
        if console:
            args.append("--console")
        for line in lines:
            args += ["--line", line]
        subprocess.run(args, check=True, env=dict(
            os.environ, ZOV_STUB_DIR=self.arm64_build), capture_output=True)
        return out

    def run(self, exe, args=(), env=None, timeout=300):
        log = os.path.join(self.work, "runtime.log")
        if os.path.exists(log):
            os.remove(log)
        started = time.time()
        try:
            result = subprocess.run(
                [WINE, windows(exe)] + list(args), capture_output=True,
                timeout=timeout, env=dict(
                    self.env, ZOV_TESTRUNTIME_LOG=windows(log), **(env or {})))
        except subprocess.TimeoutExpired:
            # A message box waiting for a click, most likely: a failure.
            result = subprocess.CompletedProcess(exe, -1, b"", b"timed out")
        text = (open(log, encoding="utf-8", newline="").read()
                if os.path.exists(log) else "")
        return result, text, time.time() - started

    def check(self, name, problems, seconds):
        if problems:
            self.failed += 1
            print("FAIL %s (%.0f s): %s" % (name, seconds, "; ".join(problems)))
        else:
            self.passed += 1
            print("ok   %s (%.0f s)" % (name, seconds))
        sys.stdout.flush()


def expect(problems, condition, what):
    if not condition:
        problems.append(what)


def main(argv):
    zovpack, arm64_build, x64_build = argv
    with tempfile.TemporaryDirectory(prefix="zov-arm64.", dir="/tmp") as work:
        suite = Suite(zovpack, arm64_build, x64_build, work)
        try:
            return run_checks(suite, work)
        finally:
            # Ends whatever a failed check left running in the prefix.
            subprocess.run([WINE, "wineserver", "-k"], env=suite.env,
                           capture_output=True, timeout=120)


def run_checks(suite, work):
    started = time.time()
    subprocess.run([WINE, "wineboot", "-i"], env=suite.env,
                   capture_output=True, timeout=1200)
    print("arm64: Wine prefix made in %.0f s" % (time.time() - started))

    # The console launcher: arguments in, standard output and the
    # application's exit status out, through the real ARM64 calls.
    exe = suite.pack("tool.exe", [
        "jvmdll " + windows(suite.runtime),
        "option -Dtestruntime.scenario=main-prints,main-exits=3"],
        console=True)
    result, log, seconds = suite.run(exe, ["one", "two words"])
    problems = []
    expect(problems, result.returncode == 3,
           "exit status %d, not 3" % result.returncode)
    expect(problems, b"hello from main" in result.stdout,
           "stdout %r" % result.stdout[-200:])
    expect(problems, "CallStaticVoidMethodV e2e/Main.main args=2" in log
           and "main.arg[1]=two words" in log, "log %r" % log[-400:])
    suite.check("zovca64.exe runs main with its arguments", problems,
                seconds)

    # The GUI launcher passes over an x64 runtime named first and
    # takes the ARM64 one of JAVA_HOME. Not traced: Debian 12's arm64
    # Wine builds msvcrt as a Linux library, whose vsnprintf reads
    # a va_list as Linux lays it out, not as Windows passes it.
    home = os.path.join(work, "home")
    os.makedirs(os.path.join(home, "bin/server"))
    with open(suite.runtime, "rb") as src, \
            open(os.path.join(home, "bin/server/jvm.dll"), "wb") as dst:
        dst.write(src.read())
    exe = suite.pack("app.exe", ["jvmdll " + windows(suite.x64_runtime),
                                 "jre_order ce"])
    # Had it taken the x64 one, a message box would wait for a click.
    result, log, seconds = suite.run(
        exe, env={"JAVA_HOME": windows(home)}, timeout=120)
    problems = []
    expect(problems, result.returncode == 0,
           "exit status %d" % result.returncode)
    expect(problems, "CallStaticVoidMethodV e2e/Main.main args=0" in log,
           "log %r" % log[-400:])
    suite.check("zova64.exe passes over an x64 runtime and goes on",
                problems, seconds)

    # No runtime: the failure's message on standard error, status 1.
    exe = suite.pack("none.exe", ["jvmdll " + windows(work + "/none"),
                                  "jre_order c"], console=True)
    result, log, seconds = suite.run(exe)
    problems = []
    expect(problems, result.returncode == 1,
           "exit status %d" % result.returncode)
    expect(problems, b"Java Runtime Environment not found." in
           result.stderr, "stderr %r" % result.stderr[-200:])
    suite.check("zovca64.exe without a runtime says so", problems, seconds)

    # The folder of the first ARM64 installers, searched after
    # %ProgramFiles% by the ARM64 launcher alone.
    arm = os.path.join(work, "Program Files (Arm)")
    os.makedirs(os.path.join(arm, "Zulu/zulu-17/bin/server"))
    with open(suite.runtime, "rb") as src, open(os.path.join(
            arm, "Zulu/zulu-17/bin/server/jvm.dll"), "wb") as dst:
        dst.write(src.read())
    exe = suite.pack("installed.exe", ["jre_order f"], console=True)
    result, log, seconds = suite.run(
        exe, env={"ZOV_ARM64_ENV": "ProgramFiles(Arm)=" + windows(arm)})
    problems = []
    expect(problems, result.returncode == 0,
           "exit status %d" % result.returncode)
    expect(problems, "CallStaticVoidMethodV e2e/Main.main" in log,
           "log %r" % log[-400:])
    suite.check("zovca64.exe finds a runtime in %ProgramFiles(Arm)%",
                problems, seconds)

    print("%d passed, %d failed" % (suite.passed, suite.failed))
    return 1 if suite.failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
