#!/usr/bin/env python3
"""zov-maven-plugin end to end, offline.

usage: maven_plugin_test.py SOURCE_DIR ZOVPACK JDK_HOME

Builds and installs the plugin (scripts/maven.sh, into $ZOV_M2), packs a
copy of examples/maven with mvn -o package, runs the Linux file alone in an
empty folder, the lib/ one with and without its folder, and reads the win64
file's version record; then packs with a zovpack that warns and fails,
which must fail the build with its message."""
import os
import shutil
import subprocess
import sys
import tempfile

source, zovpack, jdk = sys.argv[1:4]
failures = []
# maven/settings.xml names the local repository by $ZOV_M2, which
# scripts/maven.sh defaults for itself alone.
os.environ.setdefault("ZOV_M2", os.path.expanduser("~/.m2/repository"))


def check(condition, what):
    print(("ok   " if condition else "FAIL ") + what, flush=True)
    if not condition:
        failures.append(what)


def mvn(project, *args, env=None):
    return subprocess.run(
        ["mvn", "-o", "-B", "-s", os.path.join(source, "maven", "settings.xml"),
         "-Daether.offline.protocols=file", *args, "package"],
        cwd=project, capture_output=True, text=True, timeout=300, env=env)


def main():
    installed = subprocess.run(["sh", os.path.join(source, "scripts", "maven.sh")],
                               capture_output=True, text=True, timeout=300)
    check(installed.returncode == 0, "plugin built and installed" +
          ("" if installed.returncode == 0 else "\n" + installed.stderr[-2000:]))
    if installed.returncode != 0:
        print(installed.stdout[-4000:])
        sys.exit(1)
    work = tempfile.mkdtemp(prefix="zov-maven-")
    try:
        project = os.path.join(work, "example")
        shutil.copytree(os.path.join(source, "examples", "maven"), project)
        built = mvn(project, "-Dzov.zovpack=" + zovpack)
        check(built.returncode == 0 and "zov: packed linux: " in built.stdout
              and "zov: packed win64: " in built.stdout,
              "mvn package packed linux and win64" +
              ("" if built.returncode == 0 else "\n" + built.stdout[-4000:]))

        alone = os.path.join(work, "alone")
        os.mkdir(alone)
        shutil.copy(os.path.join(project, "target", "shout"), alone)
        env = dict(os.environ, JAVA_HOME=jdk, XDG_CACHE_HOME=os.path.join(work, "cache"))
        ran = subprocess.run(["./shout", "carried", "dependency"], cwd=alone, env=env,
                             capture_output=True, text=True, timeout=120)
        check(ran.returncode == 0 and ran.stdout.strip() == "CARRIED DEPENDENCY!",
              f"the Linux file runs alone with commons-lang3: {ran.stdout!r} {ran.stderr!r}")
        # By default the dependency is kept whole inside the file.
        shown = subprocess.run([zovpack, "--show", os.path.join(alone, "shout")],
                               capture_output=True, text=True).stdout
        check("    commons-lang3-3.12.0.jar  " in shown and "on the class path" in shown,
              f"the jar is carried whole: {shown[-600:]!r}")

        # dependencies=lib: the file needs the lib/ folder beside it.
        dist = os.path.join(project, "target", "dist")
        check(os.listdir(os.path.join(dist, "lib")) == ["commons-lang3-3.12.0.jar"],
              "lib/ holds the dependency")
        with_lib = subprocess.run(["./shout", "from", "lib"], cwd=dist, env=env,
                                  capture_output=True, text=True, timeout=120)
        check(with_lib.stdout.strip() == "FROM LIB!", f"lib/ beside it: {with_lib.stdout!r}")
        shutil.copy(os.path.join(dist, "shout"), os.path.join(alone, "thin"))
        without = subprocess.run(["./thin"], cwd=alone, env=env, capture_output=True,
                                 text=True, timeout=120)
        check(without.returncode != 0 and "StringUtils" in without.stderr,
              f"without lib/ the classes are missing: {without.stderr[-300:]!r}")

        shown = subprocess.run([zovpack, "--show", os.path.join(project, "target", "shout.exe")],
                               capture_output=True, text=True).stdout
        for line in ('  ProductName = "Shout Tool"', '  ProductVersion = "2.5.1-beta"',
                     '  CompanyName = "Example Ltd"',
                     '  LegalCopyright = "Copyright (c) 2026 Example Ltd"',
                     "version:     2.5.1.0 (file), 2.5.1.0 (product)",
                     "target:      PE32+ (win64)"):
            check(line in shown.splitlines(), f"win64 record: {line.strip()}")

        # The runtime parameters: a file with its own linked runtime, packed
        # twice; the second pack takes the link from the user's cache.
        linked = os.path.join(work, "linked")
        shutil.copytree(os.path.join(source, "examples", "maven"), linked)
        pom = os.path.join(linked, "pom.xml")
        with open(pom) as f:
            text = f.read()
        text = text.replace("""              <targets>
                <target>linux</target>
                <target>win64</target>
              </targets>""", f"""              <targets>
                <target>linux</target>
              </targets>
              <jlink>true</jlink>
              <jdk>{jdk}</jdk>
              <cds>true</cds>
              <serviceModules>false</serviceModules>
              <addModules>jdk.zipfs</addModules>""", 1)
        text = text.replace("<id>with-lib</id>", "<id>with-lib</id><phase>none</phase>")
        with open(pom, "w") as f:
            f.write(text)
        cache = dict(os.environ, XDG_CACHE_HOME=os.path.join(work, "cache"))
        first = mvn(linked, "-Dzov.zovpack=" + zovpack, env=cache)
        again = mvn(linked, "-Dzov.zovpack=" + zovpack, env=cache)
        check(first.returncode == 0 and "zov: --jlink: linked: " in first.stdout,
              "mvn package linked a runtime" + ("" if first.returncode == 0
                                                 else "\n" + first.stdout[-4000:]))
        check(again.returncode == 0 and "zov: --jlink: the cached runtime" in again.stdout,
              "the second package took it from the link cache")
        shown = subprocess.run([zovpack, "--show", os.path.join(linked, "target", "shout")],
                               capture_output=True, text=True).stdout
        check("  modules:   java.base jdk.zipfs" in shown.splitlines() and
              'cds = "auto"' in shown, f"its modules and cds line: {shown[-600:]!r}")
        bare = dict(cache)
        bare.pop("JAVA_HOME", None)
        bare["PATH"] = "/usr/local/bin:/bin"
        alone_linked = os.path.join(work, "alone-linked")
        os.mkdir(alone_linked)
        shutil.copy(os.path.join(linked, "target", "shout"), alone_linked)
        ran = subprocess.run(["./shout", "own", "runtime"], cwd=alone_linked, env=bare,
                             capture_output=True, text=True, timeout=120)
        check(ran.returncode == 0 and ran.stdout.strip() == "OWN RUNTIME!",
              f"the linked file runs without JAVA_HOME: {ran.stdout!r} {ran.stderr!r}")

        # A zovpack that warns, then fails: a Maven warning, then a failed
        # build that gives zovpack's reason.
        fake = os.path.join(work, "zovpack")
        with open(fake, "w") as f:
            f.write("#!/bin/sh\necho 'zovpack: warning: odd line' >&2\n"
                    "echo 'zovpack: error: no main class here' >&2\nexit 1\n")
        os.chmod(fake, 0o755)
        failed = mvn(project, "-Dzov.zovpack=" + fake)
        check(failed.returncode != 0, "a failing zovpack fails the build")
        check("[WARNING] zov: linux: odd line" in failed.stdout, "its warning is Maven's")
        check("zovpack failed for linux (exit status 1): no main class here" in failed.stdout,
              "its message is the build's error")
    finally:
        shutil.rmtree(work, ignore_errors=True)
    if failures:
        sys.exit(f"{len(failures)} failed")


main()
