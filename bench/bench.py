#!/usr/bin/env python3
"""Benchmarks of the zov launcher, printed as a Markdown report.

  1. time to main and total wall time: packed zov, `java -cp`, minjni
  2. the same application packed with a small and with a huge archive
  3. peak resident set: zov, `java -cp`, minjni
  4. instructions of the whole process (callgrind): zov on the test
     runtime, minjni on the test runtime, an empty C program
  5. sizes of the three stubs, with and without the icon
  6. an application with 40 dependency jars: zov with "classpath lib/*",
     zov with the jars merged in (zovpack --merge), `java -cp "app.jar:lib/*"`
  7. class-data sharing (zovpack --cds) on a real application, Debian's
     Groovy: first and later starts against `java -cp`
  8. the ahead-of-time cache of Java 25 (Temurin 25 when present, else
     skipped loudly): Groovy and Maven, later, first and recording starts
     against `java -cp` and the dynamic archive, and on Java 17

Commands of one measurement alternate (A B C, B C A, C A B, ...), and
ratios are taken round by round, so a load change hits both sides of a
ratio alike.
The exit status is 1 only when a measurement could not be taken (a run
failed or printed the wrong thing); targets missed are reported, never
failed.
"""

import argparse
import glob
import os
import platform
import re
import shutil
import signal
import statistics
import struct
import subprocess
import sys
import tempfile
import time

MARKER = b"bench: main\n"
MAIN_CLASS = "bench.Hello"
KIB = 1024
GIB = 1024 ** 3

# A configuration of the kind applications ship: memory, properties, an
# expanded value, an extra class path entry, a version gate.
TYPICAL_LINES = [
    "option -Xmx256m",
    "option -Xss2m",
    "property app.mode=desktop",
    "property app.data=%HOME%/.app",
    "classpath lib/extra.jar",
    "minjre 11.0",
]


class BenchError(Exception):
    pass


def repo_root():
    return os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


def parse_args():
    root = repo_root()
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--build", default=os.path.join(root, "build/linux"),
                        help="the Linux build directory")
    parser.add_argument("--win64", default=os.path.join(root, "build/win64"),
                        help="the 64-bit Windows build directory")
    parser.add_argument("--win32", default=os.path.join(root, "build/win32"),
                        help="the 32-bit Windows build directory")
    parser.add_argument("--jdk", help="JDK home (default: from javac)")
    parser.add_argument("--pairs", type=int, default=40,
                        help="rounds of each alternating measurement")
    parser.add_argument("--warmup", type=int, default=3,
                        help="unmeasured rounds first")
    parser.add_argument("--callgrind-runs", type=int, default=3)
    parser.add_argument("--small-archive", type=int, default=KIB)
    parser.add_argument("--big-archive", type=int, default=GIB)
    parser.add_argument("--work", help="where temporary files go")
    parser.add_argument("--output", help="also write the report here")
    parser.add_argument("--only", help="comma-separated sections: "
                        "time,archive,rss,instructions,stubs,deps,cds,aot,runtime")
    parser.add_argument("--cds-pairs", type=int, default=20,
                        help="rounds of the Groovy starts (about 1 s each)"
                        " and of the packed runtime's")
    parser.add_argument("--smoke", action="store_true",
                        help="one round of everything, a 1 MiB big archive")
    args = parser.parse_args()
    if args.smoke:
        args.pairs, args.warmup, args.callgrind_runs = 1, 0, 1
        args.cds_pairs = 1
        args.big_archive = min(args.big_archive, 1024 * KIB)
    if args.jdk is None:
        javac = shutil.which("javac")
        if javac is None:
            parser.error("no javac on PATH: give --jdk")
        args.jdk = os.path.dirname(os.path.dirname(os.path.realpath(javac)))
    return args


# --- Statistics

def median(values):
    return statistics.median(values)


def spread(values, fmt="{:.1f}"):
    return "{} ({}–{})".format(fmt.format(median(values)),
                               fmt.format(min(values)), fmt.format(max(values)))


def ratios(a, b):
    return [x / y for x, y in zip(a, b)]


def ratio_line(a, b):
    r = ratios(a, b)
    return "{} — pair by pair: {}".format(
        spread(r, "{:.3f}"), " ".join("{:.3f}".format(x) for x in r))


# --- Running things

def clean_env(jdk):
    env = dict(os.environ)
    for name in ("CLASSPATH", "CLASS_PATH", "JAVA_TOOL_OPTIONS",
                 "_JAVA_OPTIONS", "JDK_JAVA_OPTIONS", "JRE_HOME", "LC_ALL",
                 "LC_MESSAGES", "ZOV_TESTRUNTIME_LOG"):
        env.pop(name, None)
    env["JAVA_HOME"] = jdk
    env["LANG"] = "C.UTF-8"
    return env


def check_run(argv, status, out, err_file, marker=MARKER):
    if status != 0 or (marker is not None and out != marker):
        err_file.seek(0)
        err = err_file.read().decode(errors="replace")
        raise BenchError("{} exited {} with output {!r}: {}".format(
            " ".join(argv), status, out[:200], err[-2000:]))


def timed_run(argv, env):
    """Milliseconds to the first byte of output, to the exit, and of CPU
    (user + system, all threads): the CPU time hardly moves with the load
    of other processes, the wall times do."""
    with tempfile.TemporaryFile() as err:
        start = time.perf_counter_ns()
        proc = subprocess.Popen(argv, stdout=subprocess.PIPE, stderr=err,
                                env=env)
        first = proc.stdout.read(1)
        at_main = time.perf_counter_ns()
        out = first + proc.stdout.read()
        _, status, usage = os.wait4(proc.pid, 0)
        end = time.perf_counter_ns()
        proc.returncode = os.waitstatus_to_exitcode(status)
        proc.stdout.close()
        check_run(argv, proc.returncode, out, err)
    cpu = (usage.ru_utime + usage.ru_stime) * 1e3
    return (at_main - start) / 1e6, (end - start) / 1e6, cpu


def peak_rss_kib(argv, env, work):
    report = os.path.join(work, "time.out")
    command = ["/usr/bin/time", "-f", "%M", "-o", report, "--"] + argv
    with tempfile.TemporaryFile() as err:
        proc = subprocess.run(command, stdout=subprocess.PIPE, stderr=err,
                              env=env)
        check_run(argv, proc.returncode, proc.stdout, err)
    with open(report) as f:
        return int(f.read().split()[-1])


def alternate(commands, rounds, warmup, measure):
    """measure(argv) for each command in turn, rounds times; lists by name.
    Each round starts one command further on, so that no command always
    follows the same other one (which leaves the caches to it)."""
    results = {name: [] for name, _ in commands}
    for i in range(warmup + rounds):
        shift = i % len(commands)
        for name, argv in commands[shift:] + commands[:shift]:
            value = measure(argv)
            if i >= warmup:
                results[name].append(value)
    return results


def pack(ctx, jar, output, lines=(), merge=(), extra=()):
    argv = [ctx.zovpack, jar, "-o", output, "--target", "linux",
            "--stub", ctx.zov] + list(extra)
    for line in lines:
        argv += ["--line", line]
    for path in merge:
        argv += ["--merge", path]
    proc = subprocess.run(argv, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    if proc.returncode != 0:
        raise BenchError("zovpack failed: " + proc.stderr.decode())
    return output


# --- 1. Time to main

TIMINGS = ("time to main", "total", "CPU")


def timing_table(runs, out, extra=None):
    """One row per command: extra(name) columns, then the three timings."""
    head = (extra("") if extra else []) + list(TIMINGS)
    out.append("| command | " + " | ".join(head) + " |")
    out.append("|---|" + "---|" * len(head))
    for name, values in runs.items():
        cells = (extra(name) if extra else []) + [
            spread([v[i] for v in values]) for i in range(len(TIMINGS))]
        out.append("| {} | {} |".format(name, " | ".join(cells)))
    out.append("")


def start_commands(ctx):
    return [
        ("zov", [ctx.packed]),
        ("java -cp", [ctx.java, "-cp", ctx.jar, MAIN_CLASS]),
        ("minjni", [ctx.minjni, ctx.libjvm, ctx.jar,
                    MAIN_CLASS.replace(".", "/")]),
    ]


def bench_time(ctx, out):
    runs = alternate(start_commands(ctx), ctx.args.pairs, ctx.args.warmup,
                     lambda argv: timed_run(argv, ctx.env))
    out.append("## 1. Time to main and total wall time\n")
    out.append("{} rounds of zov, `java -cp`, minjni in turn, after {} "
               "unmeasured rounds. Milliseconds, median (min–max); CPU is user + "
               "system time of all the process's threads.\n".format(
                   ctx.args.pairs, ctx.args.warmup))
    timing_table(runs, out)
    zov = runs["zov"]
    for other, target in (("java -cp", 0.98), ("minjni", 1.01)):
        for index, what in enumerate(TIMINGS):
            out.append("- zov / {}, {} (target ≤ {}): {}".format(
                other, what, target,
                ratio_line([v[index] for v in zov],
                           [v[index] for v in runs[other]])))
    out.append("")

    # The work itself, which the load of other processes does not change.
    counts = alternate(start_commands(ctx), ctx.args.callgrind_runs, 0,
                       lambda argv: callgrind_run(argv, ctx.env, ctx.work,
                                                  MARKER)[0])
    out.append("Instructions of the whole process, all threads "
               "(`valgrind --tool=callgrind`, total Ir), {} runs each:\n"
               .format(ctx.args.callgrind_runs))
    out.append("| command | Ir |")
    out.append("|---|---|")
    for name, values in counts.items():
        out.append("| {} | {} |".format(name, spread(values, "{:,.0f}")))
    out.append("")
    for other in ("java -cp", "minjni"):
        out.append("- zov / {}, instructions: {}".format(
            other, ratio_line(counts["zov"], counts[other])))
    out.append("")


# --- 6. Dependencies

DEPS = 40
DEPS_MAIN = "benchdeps.Main"
# Each dependency jar: one class the application loads, and resources that
# give its directory a library's length.
DEPS_RESOURCES = 100


def make_deps_app(ctx):
    """app.jar, whose main loads one class of each of lib/dep01.jar ...
    lib/dep40.jar (so every jar is opened) and then prints the marker."""
    import zipfile
    root = os.path.join(ctx.work, "deps")
    src = os.path.join(root, "src")
    classes = os.path.join(root, "classes")
    lib = os.path.join(root, "lib")
    for d in (src, classes, lib):
        os.makedirs(d)
    sources = []
    names = ["dep{:02d}.C".format(i) for i in range(1, DEPS + 1)]
    for name in names:
        package, cls = name.split(".")
        os.makedirs(os.path.join(src, package))
        path = os.path.join(src, package, cls + ".java")
        with open(path, "w") as f:
            f.write("package {}; public class {} {{ public static int v = 1; }}\n"
                    .format(package, cls))
        sources.append(path)
    path = os.path.join(src, "Main.java")
    with open(path, "w") as f:
        f.write("package benchdeps; public class Main { public static void "
                "main(String[] a) throws Exception { for (String n : new "
                "String[] {" + ", ".join('"{}"'.format(n) for n in names) +
                "}) Class.forName(n); System.out.println(\"bench: main\"); } }\n")
    sources.append(path)
    javac = subprocess.run([os.path.join(ctx.args.jdk, "bin", "javac"),
                            "--release", "8", "-nowarn", "-d", classes] + sources,
                           stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
    if javac.returncode != 0:
        raise BenchError("javac failed: " + javac.stdout.decode())
    app = os.path.join(root, "app.jar")
    with zipfile.ZipFile(app, "w", zipfile.ZIP_DEFLATED) as z:
        z.writestr("META-INF/MANIFEST.MF",
                   "Manifest-Version: 1.0\nMain-Class: " + DEPS_MAIN + "\n")
        z.write(os.path.join(classes, "benchdeps", "Main.class"),
                "benchdeps/Main.class")
    for i, name in enumerate(names, 1):
        package = name.split(".")[0]
        with zipfile.ZipFile(os.path.join(lib, package + ".jar"), "w",
                             zipfile.ZIP_DEFLATED) as z:
            z.writestr("META-INF/MANIFEST.MF", "Manifest-Version: 1.0\n")
            z.write(os.path.join(classes, package, "C.class"),
                    package + "/C.class")
            for r in range(DEPS_RESOURCES):
                z.writestr("{}/res/r{:03d}.properties".format(package, r),
                           "key{} = value {} of jar {}\n".format(r, r, i))
    return root, app, lib


def bench_deps(ctx, out):
    root, app, lib = make_deps_app(ctx)
    beside = pack(ctx, app, os.path.join(root, "app"),
                  lines=["classpath lib/*"])
    os.makedirs(os.path.join(root, "alone"))
    merged = pack(ctx, app, os.path.join(root, "alone", "app"), merge=[lib])
    commands = [
        ("zov lib/*", [beside]),
        ("zov merged", [merged]),
        ("java -cp", [ctx.java, "-cp", app + ":" + lib + "/*", DEPS_MAIN]),
    ]
    runs = alternate(commands, ctx.args.pairs, ctx.args.warmup,
                     lambda argv: timed_run(argv, ctx.env))
    out.append("## 6. An application with {} dependency jars\n".format(DEPS))
    out.append("`main` loads one class from each jar (each also holds {} "
               "resources), then prints the line. zov with `classpath lib/*` "
               "beside the jars, zov with them merged in (`--merge lib`, the "
               "file alone in a folder), and `java -cp \"app.jar:lib/*\"`; "
               "{} rounds in turn after {} unmeasured. Milliseconds, median "
               "(min–max).\n".format(DEPS_RESOURCES, ctx.args.pairs,
                                      ctx.args.warmup))
    jars = sum(os.path.getsize(os.path.join(lib, n)) for n in os.listdir(lib))
    sizes = {"zov lib/*": os.path.getsize(beside) + jars,
             "zov merged": os.path.getsize(merged),
             "java -cp": os.path.getsize(app) + jars}
    timing_table(runs, out, lambda name: ["bytes of files"] if name == "" else
                 ["{:,}".format(sizes[name])])
    for name, target in (("zov merged", 0.95), ("zov lib/*", None)):
        for index, what in enumerate(TIMINGS):
            out.append("- {} / java -cp, {}{}: {}".format(
                name, what,
                " (target ≤ {})".format(target) if target else "",
                ratio_line([v[index] for v in runs[name]],
                           [v[index] for v in runs["java -cp"]])))
    out.append("")


# --- 2. Archive size

def padded_jar(source, dest, total, work):
    """source with one stored entry added so the archive is total bytes."""
    pad = os.path.join(work, "padding.bin")

    def add_padding(size):
        shutil.copyfile(source, dest)
        with open(pad, "wb") as f:
            f.truncate(size)  # sparse: no gigabyte is written here
        subprocess.run(["zip", "-q", "-0", "-X", "-j", dest, pad], check=True)

    try:
        add_padding(0)  # zip's own bytes for the entry, and any it rewrote
        add_padding(max(0, total - os.path.getsize(dest)))
    finally:
        if os.path.exists(pad):
            os.remove(pad)
    return dest


def bench_archive(ctx, out):
    sizes = (("small", ctx.args.small_archive), ("big", ctx.args.big_archive))
    work = tempfile.mkdtemp(prefix="archive.", dir=ctx.work)
    try:
        commands, files = [], {}
        for name, total in sizes:
            jar = padded_jar(ctx.jar, os.path.join(work, name + ".jar"), total,
                             work)
            archive = os.path.getsize(jar)
            packed = pack(ctx, jar, os.path.join(work, name))
            os.remove(jar)
            files[name] = (archive, os.path.getsize(packed))
            commands.append((name, [packed]))
        os.sync()  # no write-back of the big file during the runs
        runs = alternate(commands, ctx.args.pairs, ctx.args.warmup,
                         lambda argv: timed_run(argv, ctx.env))
    finally:
        shutil.rmtree(work, ignore_errors=True)
    out.append("## 2. Archive size\n")
    out.append("The application packed with its archive padded by one stored "
               "entry; {} rounds, small and big in turn. Milliseconds.\n"
               .format(ctx.args.pairs))
    timing_table(runs, out, lambda name: [str(files[name][0]),
                                          str(files[name][1])] if name
                 else ["archive bytes", "packed file bytes"])
    for index, what in enumerate(TIMINGS):
        out.append("- big / small, {} (target ≤ 1.02): {}".format(
            what, ratio_line([v[index] for v in runs["big"]],
                             [v[index] for v in runs["small"]])))
    out.append("")


# --- 3. Peak memory

def bench_rss(ctx, out):
    runs = alternate(start_commands(ctx), ctx.args.pairs, ctx.args.warmup,
                     lambda argv: peak_rss_kib(argv, ctx.env, ctx.work))
    out.append("## 3. Peak resident set\n")
    out.append("`/usr/bin/time -f %M`, {} rounds in turn. KiB, median "
               "(min–max).\n".format(ctx.args.pairs))
    out.append("| command | peak RSS |")
    out.append("|---|---|")
    for name, values in runs.items():
        out.append("| {} | {} |".format(name, spread(values, "{:.0f}")))
    out.append("")
    out.append("- zov / java -cp (target ≤ 1): " +
               ratio_line(runs["zov"], runs["java -cp"]))
    out.append("- zov / minjni: " + ratio_line(runs["zov"], runs["minjni"]))
    out.append("")


# --- 4. Instructions

def callgrind_costs(path):
    """Total Ir and the self cost of each object file in a callgrind output."""
    names, totals, per_object = {}, None, {}
    current, skip_next = None, False
    with open(path) as f:
        for line in f:
            if line.startswith(("totals:", "summary:")):
                totals = int(line.split()[1])
            elif line.startswith(("ob=", "cob=")):
                # An object's name is given once, where its id first appears.
                m = re.match(r"c?ob=(?:\((\d+)\))?\s*(.*)", line.strip())
                if m.group(1) and m.group(2):
                    names[m.group(1)] = m.group(2)
                if line.startswith("ob="):
                    current = names.get(m.group(1), m.group(2))
            elif line.startswith("calls="):
                skip_next = True  # the next cost line is the callee's
            elif line[:1].isdigit() or line[:1] in "+-*":
                if skip_next:
                    skip_next = False
                else:
                    cost = int(line.split()[-1])
                    per_object[current] = per_object.get(current, 0) + cost
    return totals, per_object


def callgrind_run(argv, env, work, marker=b""):
    """Valgrind's own lines go to a file: any on stderr (a failure message
    of the launcher) fails the run."""
    out_file = os.path.join(work, "callgrind.out")
    log_file = os.path.join(work, "valgrind.log")
    with tempfile.TemporaryFile() as err:
        proc = subprocess.run(
            ["valgrind", "--tool=callgrind", "--callgrind-out-file=" + out_file,
             "--log-file=" + log_file, "--"] + argv,
            stdout=subprocess.PIPE, stderr=err, env=env)
        check_run(argv, proc.returncode, proc.stdout, err, marker)
        if err.tell() != 0:
            check_run(argv, -1, proc.stdout, err)
    costs = callgrind_costs(out_file)
    os.remove(out_file)
    return costs


def bench_instructions(ctx, out):
    work = tempfile.mkdtemp(prefix="instructions.", dir=ctx.work)
    try:
        packed = pack(ctx, ctx.jar, os.path.join(work, "app"),
                      ["jvmdll " + ctx.testruntime] + TYPICAL_LINES)
        commands = [
            ("zov (test runtime)", [packed]),
            ("minjni (test runtime)", [ctx.minjni, ctx.testruntime, ctx.jar,
                                       MAIN_CLASS.replace(".", "/")]),
            ("empty C program", [ctx.empty]),
        ]
        env = dict(ctx.env)
        env.pop("JAVA_HOME")
        # Once with the runtime's log, outside valgrind: main must be reached.
        log = os.path.join(work, "testruntime.log")
        for _, argv in commands[:2]:
            with tempfile.TemporaryFile() as err:
                proc = subprocess.run(argv, stdout=subprocess.PIPE, stderr=err,
                                      env=dict(env, ZOV_TESTRUNTIME_LOG=log))
                with open(log, "a+") as f:
                    f.seek(0)
                    ran = "CallStaticVoidMethodV bench/Hello.main" in f.read()
                os.remove(log)
                check_run(argv, 0 if ran else -1, proc.stdout, err, b"")
        runs = alternate(commands, ctx.args.callgrind_runs, 0,
                         lambda argv: callgrind_run(argv, env, work))
    finally:
        shutil.rmtree(work, ignore_errors=True)
    totals = {name: [v[0] for v in values] for name, values in runs.items()}
    out.append("## 4. Instructions of the whole process\n")
    out.append("`valgrind --tool=callgrind`, total Ir, {} runs each, median "
               "(min–max). zov carries this configuration:\n".format(
                   ctx.args.callgrind_runs))
    out.append("```\n" + "\n".join(["mainclass " + MAIN_CLASS,
                                    "jvmdll .../testruntime/jvm/libjvm.so"] +
                                   TYPICAL_LINES) + "\n```\n")
    out.append("| program | Ir |")
    out.append("|---|---|")
    for name, values in totals.items():
        out.append("| {} | {} |".format(name, spread(values, "{:,.0f}")))
    out.append("")
    zov, floor, empty = (totals[n] for n in totals)
    own = [z - m for z, m in zip(zov, floor)]
    out.append("- zov / empty (target ≤ 1.2): " + ratio_line(zov, empty))
    out.append("- minjni / empty, loading and driving the test runtime and "
               "nothing else: " + ratio_line(floor, empty))
    out.append("- zov − minjni, the launcher's own work: {} Ir; (empty + "
               "zov − minjni) / empty: {}".format(
                   spread(own, "{:,.0f}"),
                   spread([(e + o) / e for o, e in zip(own, empty)],
                          "{:.3f}")))
    out.append("")
    out.append("Self cost by object, first run:\n")
    out.append("| object | " + " | ".join(totals) + " |")
    out.append("|---|" + "---|" * len(totals))
    objects = {}
    for name, values in runs.items():
        for obj, cost in values[0][1].items():
            objects.setdefault(os.path.basename(obj or "?"), {})[name] = \
                objects.get(os.path.basename(obj or "?"), {}).get(name, 0) + cost
    for obj in sorted(objects, key=lambda o: -max(objects[o].values())):
        out.append("| {} | {} |".format(obj, " | ".join(
            "{:,}".format(objects[obj].get(name, 0)) for name in totals)))
    out.append("")


# --- 5. Stubs

def pe_layout(path):
    """Sections (name, raw size) and the bytes of icon resources of a PE."""
    with open(path, "rb") as f:
        data = f.read()
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    sections_count = struct.unpack_from("<H", data, pe + 6)[0]
    optional_size = struct.unpack_from("<H", data, pe + 20)[0]
    optional = pe + 24
    magic = struct.unpack_from("<H", data, optional)[0]
    directories = optional + (96 if magic == 0x10B else 112)
    rsrc_rva = struct.unpack_from("<I", data, directories + 2 * 8)[0]
    table = optional + optional_size
    sections = []
    rsrc_base = None
    for i in range(sections_count):
        entry = table + 40 * i
        name = data[entry:entry + 8].rstrip(b"\0").decode()
        vsize, rva, raw_size, raw_ptr = struct.unpack_from("<IIII", data,
                                                           entry + 8)
        sections.append((name, raw_size))
        if rsrc_rva and rva <= rsrc_rva < rva + max(vsize, raw_size):
            rsrc_root = raw_ptr + rsrc_rva - rva

    icon_bytes = 0

    def walk(offset, depth, type_id):
        nonlocal icon_bytes
        named, ids = struct.unpack_from("<HH", data, rsrc_root + offset + 12)
        for i in range(named + ids):
            name, target = struct.unpack_from(
                "<II", data, rsrc_root + offset + 16 + 8 * i)
            kind = name if depth == 0 else type_id
            if target & 0x80000000:
                if depth < 3:
                    walk(target & 0x7FFFFFFF, depth + 1, kind)
            elif kind in (3, 14):  # RT_ICON, RT_GROUP_ICON
                icon_bytes += struct.unpack_from("<I", data,
                                                 rsrc_root + target + 4)[0]

    if rsrc_root is not None:
        walk(0, 0, None)
    return sections, icon_bytes


def stripped_size(path, strip, work):
    copy = os.path.join(work, "stripped")
    shutil.copyfile(path, copy)
    try:
        subprocess.run([strip, copy], check=True, stderr=subprocess.DEVNULL)
        return os.path.getsize(copy)
    except (OSError, subprocess.CalledProcessError):
        return None
    finally:
        os.remove(copy)


def stub_budgets():
    """Each Windows stub's budget in KiB, from its one home in the build."""
    path = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..",
                        "cmake", "stub_budget.cmake")
    with open(path) as f:
        return {name: int(size) // KIB for name, size in re.findall(
            r"set\(ZOV_STUB_BUDGET_(\w+) (\d+)\)", f.read())}


def bench_stubs(ctx, out):
    budget = stub_budgets()
    stubs = [
        ("zov32.exe", os.path.join(ctx.args.win32, "zov32.exe"),
         os.path.join(ctx.args.win32, "bench", "zov32_noicon.exe"),
         "i686-w64-mingw32-strip", budget["zov32"]),
        ("zov64.exe", os.path.join(ctx.args.win64, "zov64.exe"),
         os.path.join(ctx.args.win64, "bench", "zov64_noicon.exe"),
         "x86_64-w64-mingw32-strip", budget["zov64"]),
        ("zov", ctx.zov, None, "strip", None),
    ]
    out.append("## 5. Stub sizes\n")
    out.append("Bytes as built (linked with `-s`); \"stripped\" is a copy "
               "stripped again, to show nothing is left. Without the icon: "
               "the same stub linked from the resource script minus its ICON "
               "line.\n")
    out.append("| stub | bytes | KiB | stripped | icon resources | without icon "
               "| target | sections (raw bytes) |")
    out.append("|---|---|---|---|---|---|---|---|")
    for name, path, noicon, strip, target in stubs:
        if not os.path.exists(path):
            out.append("| {} | not built | | | | | | |".format(name))
            continue
        size = os.path.getsize(path)
        if target is None:
            sections, icon = elf_sections(path), None
        else:
            sections, icon = pe_layout(path)
        without = os.path.getsize(noicon) if noicon and os.path.exists(noicon) \
            else None
        out.append("| {} | {} | {:.1f} | {} | {} | {} | {} | {} |".format(
            name, size, size / KIB, stripped_size(path, strip, ctx.work) or "?",
            "—" if icon is None else icon,
            "—" if target is None else (without or "not built"),
            "—" if target is None else "≤ {} KiB: {} with the icon, {} "
            "without".format(target, verdict(size, target),
                             verdict(without, target)),
            " ".join("{} {}".format(n, s) for n, s in sections if s)))
    out.append("")


def verdict(size, target_kib):
    if size is None:
        return "?"
    return "met" if size <= target_kib * KIB else "missed"


def elf_sections(path):
    proc = subprocess.run(["size", "-A", path], stdout=subprocess.PIPE,
                          text=True)
    sections = []
    for line in proc.stdout.splitlines():
        fields = line.split()
        if len(fields) == 3 and fields[0] in (".text", ".rodata", ".data",
                                              ".bss", ".dynsym", ".dynstr"):
            sections.append((fields[0], int(fields[1])))
    return sections


# --- The report

def machine(ctx):
    cpu = "?"
    with open("/proc/cpuinfo") as f:
        for line in f:
            if line.startswith("model name"):
                cpu = line.split(":", 1)[1].strip()
                break
    java = subprocess.run([ctx.java, "-version"], stderr=subprocess.PIPE,
                          text=True).stderr.splitlines()
    debian = "?"
    if os.path.exists("/etc/debian_version"):
        with open("/etc/debian_version") as f:
            debian = f.read().strip()
    return ["- CPU: {} × {}".format(os.cpu_count(), cpu),
            "- Linux {}, Debian {}".format(platform.release(), debian),
            "- Java: {}".format(java[1] if len(java) > 1 else java[0]),
            "- load average (1, 5, 15 min) at the start: {:.2f} {:.2f} {:.2f}"
            .format(*os.getloadavg())]


class Context:
    pass


# --- 6. Class-data sharing

GROOVY_LIB = "/usr/share/groovy/lib"
GROOVY_MAIN = "groovy.ui.GroovyMain"


def bench_cds(ctx, out):
    out.append("## 6. Class-data sharing on a real application\n")
    jars = sorted(glob.glob(os.path.join(GROOVY_LIB, "*.jar")))
    app = [j for j in jars if re.search(r"/groovy-[0-9][0-9.]*\.jar$", j)]
    if not app:
        out.append("Skipped: no Groovy in {}.\n".format(GROOVY_LIB))
        return
    lines = ["classpath " + ";".join(jars), "mainclass " + GROOVY_MAIN]
    plain = pack(ctx, app[0], os.path.join(ctx.work, "groovy"), lines)
    cds = pack(ctx, app[0], os.path.join(ctx.work, "groovy-cds"),
               lines + ["cds auto"])
    # Compiles and runs a one-line script: prints the marker.
    script = ["-e", 'println "{}"'.format(MARKER.decode().strip())]
    java = [ctx.java, "-cp", ":".join(jars), GROOVY_MAIN] + script
    env = dict(ctx.env)
    env["XDG_CACHE_HOME"] = os.path.join(ctx.work, "cache")
    commands = [("zov --cds", [cds] + script), ("zov", [plain] + script),
                ("java -cp", java)]
    # The first warm-up round writes the archive the later starts map.
    runs = alternate(commands, ctx.args.cds_pairs, max(ctx.args.warmup, 1),
                     lambda argv: timed_run(argv, env))
    archives = glob.glob(os.path.join(env["XDG_CACHE_HOME"], "zov/cds/*.jsa"))
    if len(archives) != 1:
        raise BenchError("zov --cds left {} archives".format(len(archives)))
    out.append("Groovy {} ({} jars) compiling and running a one-line script; "
               "zov packed with and without `--cds`. Later starts: {} rounds "
               "in turn after {} unmeasured ones, the first of which wrote "
               "the archive ({:.1f} MiB). Milliseconds.\n".format(
                   os.path.basename(app[0])[7:-4], len(jars),
                   ctx.args.cds_pairs, max(ctx.args.warmup, 1),
                   os.path.getsize(archives[0]) / 2 ** 20))
    timing_table(runs, out)
    for name, target in (("zov --cds", 0.75), ("zov", None)):
        for index, what in enumerate(TIMINGS):
            out.append("- {} / java -cp, {}{}: {}".format(
                name, what, " (target ≤ {})".format(target) if target else "",
                ratio_line([v[index] for v in runs[name]],
                           [v[index] for v in runs["java -cp"]])))
    out.append("")

    # First starts: each with an empty cache, so each writes the archive.
    first = {"zov --cds, first start": [], "java -cp": []}
    for i in range(max(ctx.args.cds_pairs // 4, 1)):
        fresh = dict(env)
        fresh["XDG_CACHE_HOME"] = os.path.join(ctx.work, "cache{}".format(i))
        pair = [("zov --cds, first start", [cds] + script, fresh),
                ("java -cp", java, env)]
        for name, argv, e in pair[i % 2:] + pair[:i % 2]:
            first[name].append(timed_run(argv, e))
    out.append("First starts, each with an empty cache, in turn with "
               "`java -cp`:\n")
    timing_table(first, out)
    for index, what in enumerate(TIMINGS):
        out.append("- zov --cds first start / java -cp, {}: {}".format(
            what, ratio_line([v[index] for v in first["zov --cds, first start"]],
                             [v[index] for v in first["java -cp"]])))
    out.append("")


# --- 8. The ahead-of-time cache (Java 24 and later)

TEMURIN25 = "/usr/lib/jvm/temurin-25-jdk-amd64"


def output_run(argv, env, expected):
    """timed_run for a program of any output: expected is its standard
    output and standard error, as `java -cp` gave them."""
    with tempfile.TemporaryFile() as err:
        start = time.perf_counter_ns()
        proc = subprocess.Popen(argv, stdout=subprocess.PIPE, stderr=err,
                                env=env)
        first = proc.stdout.read(1)
        at_main = time.perf_counter_ns()
        out = first + proc.stdout.read()
        _, status, usage = os.wait4(proc.pid, 0)
        end = time.perf_counter_ns()
        proc.stdout.close()
        err.seek(0)
        said = err.read()
        if os.waitstatus_to_exitcode(status) != 0 or (out, said) != expected:
            raise BenchError("{} exited {} with output {!r} and error {!r}, "
                             "expected {!r}".format(" ".join(argv), status,
                                                    out[:300], said[:300],
                                                    expected[:300]))
    cpu = (usage.ru_utime + usage.ru_stime) * 1e3
    return (at_main - start) / 1e6, (end - start) / 1e6, cpu


def wait_for_cache(cache):
    folder = os.path.join(cache, "zov", "cds")
    for _ in range(1200):
        names = os.listdir(folder) if os.path.isdir(folder) else []
        if any(n.endswith(".aot") for n in names) and \
                not any(".aotconf" in n for n in names):
            return
        time.sleep(0.1)
    raise BenchError("no cache appeared in " + folder)


def aot_apps():
    groovy = sorted(glob.glob(os.path.join(GROOVY_LIB, "*.jar")))
    maven = sorted(glob.glob("/usr/share/maven/lib/*.jar") +
                   glob.glob("/usr/share/maven/boot/*.jar"))
    apps = []
    if groovy:
        apps.append(("Groovy, -e 'println 1'", groovy, GROOVY_MAIN,
                     ["-e", "println 1"], []))
    if maven:
        apps.append(("Maven, -v", maven, "org.apache.maven.cli.MavenCli",
                     ["-v"], ["-Dmaven.home=/usr/share/maven",
                              "-Dmaven.multiModuleProjectDirectory=/tmp"]))
    return apps


def bench_aot(ctx, out):
    out.append("## 8. The ahead-of-time cache (`cds auto` on Java 24 and later)\n")
    jdks = [("Temurin 25", TEMURIN25), ("OpenJDK 17", ctx.args.jdk)]
    if not os.path.exists(os.path.join(TEMURIN25, "bin", "java")):
        sys.stderr.write("bench: SKIPPED LOUDLY: no Temurin 25 at {}\n"
                         .format(TEMURIN25))
        out.append("Skipped: no Temurin 25 at {}.\n".format(TEMURIN25))
        jdks = jdks[1:]
    pairs = ctx.args.cds_pairs
    apps = aot_apps()
    if ctx.args.smoke:  # keeps the script working, cheaply
        apps, jdks = apps[:1], jdks[:1]
    for title, jars, main, args, props in apps:
        lines = ["classpath " + ";".join(jars), "mainclass " + main] + \
            ["property " + p[2:] for p in props]
        exe = pack(ctx, jars[0], os.path.join(ctx.work, "aot"),
                   lines + ["cds auto"])
        for name, jdk in jdks:
            java = os.path.join(jdk, "bin", "java")
            env = clean_env(jdk)
            cp = ":".join(jars)
            plain = [java] + props + ["-cp", cp, main] + args
            expected = subprocess.run(plain, stdout=subprocess.PIPE,
                                      stderr=subprocess.PIPE, env=env)
            expected = (expected.stdout, expected.stderr)
            jsa = os.path.join(ctx.work, "today-{}.jsa".format(len(out)))
            # The dynamic archive as zov kept it before the cache.
            today = [java, "-XX:SharedArchiveFile=" + jsa,
                     "-XX:+AutoCreateSharedArchive", "-Xlog:cds*=off"] + \
                props + ["-cp", cp, main] + args
            env["XDG_CACHE_HOME"] = os.path.join(ctx.work, "cache-warm")
            measure = lambda argv: output_run(argv, env, expected)
            # Warm: archive, recording, then the cache is created.
            commands = [("zov cds auto", [exe] + args), ("java -cp", plain)]
            for _ in range(2):
                measure([exe] + args)
            if jdk == TEMURIN25:
                wait_for_cache(env["XDG_CACHE_HOME"])
                measure(today)
                commands.insert(1, ("java, dynamic archive", today))
            runs = alternate(commands, pairs, 1, measure)
            out.append("### {} on {}: later starts\n".format(title, name))
            out.append("{} rounds in turn after one unmeasured round, "
                       "{} jars; output compared with `java -cp` every "
                       "time. Milliseconds.\n".format(pairs, len(jars)))
            timing_table(runs, out)
            for other in [c[0] for c in commands[1:]]:
                for index, what in enumerate(TIMINGS):
                    out.append("- zov cds auto / {}, {}: {}".format(
                        other, what,
                        ratio_line([v[index] for v in runs["zov cds auto"]],
                                   [v[index] for v in runs[other]])))
            out.append("")
            # First starts: each from an empty cache.
            first = {"zov, first start": [], "zov, second start": [],
                     "java -cp": []}
            for i in range(max(pairs // 4, 1)):
                fresh = dict(env)
                fresh["XDG_CACHE_HOME"] = os.path.join(ctx.work,
                                                       "cache-{}".format(i))
                first["java -cp"].append(output_run(plain, fresh, expected))
                first["zov, first start"].append(
                    output_run([exe] + args, fresh, expected))
                first["zov, second start"].append(
                    output_run([exe] + args, fresh, expected))
                if jdk == TEMURIN25:
                    began = time.perf_counter()
                    wait_for_cache(fresh["XDG_CACHE_HOME"])
                    first.setdefault("creation (detached, waited for)",
                                     []).append(((time.perf_counter() - began)
                                                 * 1e3,) * 3)
            out.append("### {} on {}: first starts\n".format(title, name))
            out.append("Each round from an empty cache: `java -cp`, then "
                       "zov twice; on Java 24 and later the first zov start "
                       "writes the dynamic archive and the second records "
                       "for the cache.\n")
            timing_table(first, out)
            for start in ("zov, first start", "zov, second start"):
                for index, what in enumerate(TIMINGS):
                    out.append("- {} / java -cp, {}: {}".format(
                        start, what,
                        ratio_line([v[index] for v in first[start]],
                                   [v[index] for v in first["java -cp"]])))
            out.append("")


def tree_size(path):
    return sum(os.path.getsize(os.path.join(d, f))
               for d, _, files in os.walk(path) for f in files)


def bench_runtime(ctx, out):
    out.append("## 9. A runtime inside the file\n")
    image = os.path.join(ctx.work, "runtime")
    proc = subprocess.run(
        [os.path.join(ctx.args.jdk, "bin", "jlink"), "--add-modules",
         "java.base,java.desktop", "--strip-debug", "--no-man-pages",
         "--no-header-files", "--output", image],
        stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
    if proc.returncode != 0:
        raise BenchError("jlink failed: " + proc.stdout.decode())
    packed = pack(ctx, ctx.jar, os.path.join(ctx.work, "hello-runtime"),
                  extra=["--runtime", image])
    unpacked = tree_size(image)
    size = os.path.getsize(packed)
    out.append("A jlinked `java.base,java.desktop` runtime: {:.1f} MiB "
               "unpacked, the packed file {:.1f} MiB: {:.3f} of it (aim "
               "≤ 0.40).\n".format(unpacked / 2 ** 20, size / 2 ** 20,
                                    size / unpacked))
    installed = [os.path.join(image, "bin", "java"), "-cp", ctx.jar, MAIN_CLASS]
    env = dict(ctx.env)
    env["XDG_CACHE_HOME"] = os.path.join(ctx.work, "cache")
    # The first warm-up round unpacks what the later starts load.
    runs = alternate([("zov, later start", [packed]),
                      ("installed runtime, java -cp", installed)],
                     ctx.args.cds_pairs, max(ctx.args.warmup, 1),
                     lambda argv: timed_run(argv, env))
    first = {"zov, first start": [], "installed runtime, java -cp": []}
    rss = {"zov, first start": [], "installed runtime, java -cp": []}
    for i in range(max(ctx.args.cds_pairs // 4, 1)):
        fresh = dict(env)
        fresh["XDG_CACHE_HOME"] = os.path.join(ctx.work, "first{}".format(i))
        first["zov, first start"].append(timed_run([packed], fresh))
        first["installed runtime, java -cp"].append(timed_run(installed, env))
        fresh["XDG_CACHE_HOME"] += "-rss"
        rss["zov, first start"].append(peak_rss_kib([packed], fresh, ctx.work))
        rss["installed runtime, java -cp"].append(
            peak_rss_kib(installed, env, ctx.work))
        shutil.rmtree(fresh["XDG_CACHE_HOME"], ignore_errors=True)
    out.append("Later starts, {} rounds in turn; milliseconds:\n".format(
        ctx.args.cds_pairs))
    timing_table(runs, out)
    out.append("- later start / installed, total (aim ≤ 1.02): " + ratio_line(
        [v[1] for v in runs["zov, later start"]],
        [v[1] for v in runs["installed runtime, java -cp"]]))
    out.append("\nFirst starts, each with an empty cache:\n")
    timing_table(first, out)
    extra = [a[1] - b[1] for a, b in zip(first["zov, first start"],
                                         first["installed runtime, java -cp"])]
    out.append("- first start − installed start, total (aim < 1500 ms): "
               + spread(extra))
    out.append("- peak resident memory, first start / installed (KiB): {} / {}"
               " (aim: within 32 MiB)\n".format(
                   median(rss["zov, first start"]),
                   median(rss["installed runtime, java -cp"])))


def main():
    # Killed, still remove the gigabyte of temporary files.
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(1))
    args = parse_args()
    ctx = Context()
    ctx.args = args
    ctx.zov = os.path.join(args.build, "zov")
    ctx.zovpack = os.path.join(args.build, "pack", "zovpack")
    ctx.testruntime = os.path.join(args.build, "testruntime", "jvm",
                                   "libjvm.so")
    ctx.minjni = os.path.join(args.build, "bench", "minjni")
    ctx.empty = os.path.join(args.build, "bench", "empty")
    ctx.jar = os.path.join(args.build, "bench", "hello.jar")
    ctx.java = os.path.join(args.jdk, "bin", "java")
    ctx.libjvm = os.path.join(args.jdk, "lib", "server", "libjvm.so")
    ctx.env = clean_env(args.jdk)
    for path in (ctx.zov, ctx.zovpack, ctx.testruntime, ctx.minjni, ctx.empty,
                 ctx.jar, ctx.java, ctx.libjvm):
        if not os.path.exists(path):
            sys.exit("bench: {} is missing: build first".format(path))

    sections = [("time", bench_time), ("archive", bench_archive),
                ("rss", bench_rss), ("instructions", bench_instructions),
                ("stubs", bench_stubs), ("deps", bench_deps),
                ("cds", bench_cds), ("aot", bench_aot),
               ("runtime", bench_runtime)]
    if args.only:
        wanted = args.only.split(",")
        sections = [s for s in sections if s[0] in wanted]

    ctx.work = tempfile.mkdtemp(prefix="zov-bench.", dir=args.work)
    out = ["# zov benchmarks: results\n"] + machine(ctx) + [""]
    try:
        ctx.packed = pack(ctx, ctx.jar, os.path.join(ctx.work, "hello"))
        for _, run in sections:
            run(ctx, out)
            sys.stderr.write("bench: {} done\n".format(run.__name__[6:]))
    except BenchError as e:
        sys.stderr.write("bench: {}\n".format(e))
        return 1
    finally:
        shutil.rmtree(ctx.work, ignore_errors=True)
    out.append("Load average at the end: {:.2f} {:.2f} {:.2f}".format(
        *os.getloadavg()))
    report = "\n".join(out) + "\n"
    sys.stdout.write(report)
    if args.output:
        with open(args.output, "w") as f:
            f.write(report)
    return 0


if __name__ == "__main__":
    sys.exit(main())
