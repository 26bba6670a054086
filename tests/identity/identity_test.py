#!/usr/bin/env python3
"""A packed file's version record, as pefile and as Windows read it.

usage: identity_test.py ZOVPACK WIN64_DIR WIN32_DIR VERSION_PROBE.exe

Packs win64 and win32 files from options, from the manifest's attributes
and from neither, then reads each record with pefile and, under Wine, with
the probe (GetFileVersionInfo / VerQueryValue). Wine comes from $WINE, else
/usr/lib/wine/wine64."""
import os
import subprocess
import sys
import tempfile
import zipfile

import pefile

zovpack, win64, win32, probe = sys.argv[1:5]
wine = os.environ.get("WINE", "/usr/lib/wine/wine64")
KEYS = ["CompanyName", "FileDescription", "FileVersion", "InternalName",
        "LegalCopyright", "OriginalFilename", "ProductName", "ProductVersion"]
failures = []


def check(condition, what):
    print(("ok   " if condition else "FAIL ") + what, flush=True)
    if not condition:
        failures.append(what)


def jar(path, attributes):
    manifest = "Manifest-Version: 1.0\r\nMain-Class: demo.Hello\r\n"
    manifest += "".join(f"{k}: {v}\r\n" for k, v in attributes.items()) + "\r\n"
    with zipfile.ZipFile(path, "w") as z:
        z.writestr("META-INF/MANIFEST.MF", manifest.encode("utf-8"))
        z.writestr("demo/Hello.class", b"\xca\xfe\xba\xbe")


def pefile_record(path):
    pe = pefile.PE(path)
    strings, tables = {}, []
    for info in pe.FileInfo[0]:
        if info.Key == b"StringFileInfo":
            for table in info.StringTable:
                tables.append(table.LangID.decode())
                strings.update({k.decode(): v.decode("utf-8")
                                for k, v in table.entries.items()})
    fixed = pe.VS_FIXEDFILEINFO[0]
    numbers = lambda ms, ls: f"{ms >> 16}.{ms & 0xFFFF}.{ls >> 16}.{ls & 0xFFFF}"
    versions = [e for e in pe.DIRECTORY_ENTRY_RESOURCE.entries if e.id == 16]
    languages = [lang.id for e in versions for name in e.directory.entries
                 for lang in name.directory.entries]
    return {"strings": strings, "tables": tables, "languages": languages,
            "file": numbers(fixed.FileVersionMS, fixed.FileVersionLS),
            "product": numbers(fixed.ProductVersionMS, fixed.ProductVersionLS),
            "checksum": pe.verify_checksum(), "machine": pe.FILE_HEADER.Machine}


def probe_record(path):
    run = subprocess.run([wine, probe, path] + KEYS, capture_output=True,
                         timeout=120)
    out = {}
    for line in run.stdout.decode("utf-8").splitlines():
        key, sep, value = line.partition("=")
        if sep:
            out[key] = value
        elif " " in line:
            out[line.split(" ", 1)[0]] = line.split(" ", 1)[1]
    return run.returncode, out


def main():
    work = tempfile.mkdtemp(prefix="zov-identity-")
    os.environ["ZOV_STUB_DIR"] = work
    for src in (os.path.join(win64, "zov64.exe"), os.path.join(win32, "zov32.exe")):
        with open(src, "rb") as f, open(os.path.join(work, os.path.basename(src)), "wb") as o:
            o.write(f.read())
    jar(f"{work}/plain.jar", {})
    jar(f"{work}/impl.jar", {"Implementation-Title": "Rechner Ä",
                             "Implementation-Version": "302.08",
                             "Implementation-Vendor": "Ωmega GmbH",
                             "Specification-Title": "not this"})
    jar(f"{work}/titled.jar", {"Specification-Title": "Titled Tool",
                               "Specification-Version": "1.2",
                               "Specification-Vendor": "Titled Co"})
    options = ["--name", "Zoë Rechner 計算器", "--description", "Zoë's calculator",
               "--app-version", "2.5.1-beta", "--vendor", "Ωmega GmbH",
               "--copyright", "© 2026 Ωmega"]
    cases = [  # name, jar, options, expected strings, numeric version
        ("options", "impl.jar", options, {
            "CompanyName": "Ωmega GmbH", "FileDescription": "Zoë's calculator",
            "FileVersion": "2.5.1-beta", "LegalCopyright": "© 2026 Ωmega",
            "ProductName": "Zoë Rechner 計算器", "ProductVersion": "2.5.1-beta"},
         "2.5.1.0"),
        ("implementation", "impl.jar", [], {
            "CompanyName": "Ωmega GmbH", "FileDescription": "Rechner Ä",
            "FileVersion": "302.08", "ProductName": "Rechner Ä",
            "ProductVersion": "302.08"}, "302.8.0.0"),
        ("titles", "titled.jar", [], {
            "CompanyName": "Titled Co", "FileDescription": "Titled Tool",
            "FileVersion": "1.2", "ProductName": "Titled Tool",
            "ProductVersion": "1.2"}, "1.2.0.0"),
        ("neither", "plain.jar", [], {
            "FileDescription": "{base}", "FileVersion": "0.0.0.0",
            "ProductName": "{base}", "ProductVersion": "0.0.0.0"}, "0.0.0.0"),
    ]
    for target, machine in (("win64", 0x8664), ("win32", 0x14c)):
        for name, archive, extra, expected, numbers in cases:
            base = f"{name}-{target}"
            out = f"{work}/{base}.exe"
            run = subprocess.run([zovpack, f"{work}/{archive}", "-o", out,
                                  "--target", target] + extra,
                                 capture_output=True, text=True)
            check(run.returncode == 0, f"{base}: packed {run.stderr.strip()}")
            if run.returncode != 0:
                continue
            want = {k: v.replace("{base}", base) for k, v in expected.items()}
            want.update({"InternalName": base, "OriginalFilename": base + ".exe"})
            got = pefile_record(out)
            check(got["machine"] == machine, f"{base}: pefile: machine")
            check(got["strings"] == want,
                  f"{base}: pefile: strings {got['strings']} == {want}")
            check(got["tables"] == ["000004b0"] and got["languages"] == [0],
                  f"{base}: pefile: one language-neutral Unicode record "
                  f"{got['tables']} {got['languages']}")
            check(got["file"] == numbers and got["product"] == numbers,
                  f"{base}: pefile: numeric versions {got['file']} {got['product']}")
            check(got["checksum"], f"{base}: pefile: PE checksum")
            check(not any("zov" in v.lower() for v in got["strings"].values()),
                  f"{base}: nothing says zov")
            status, seen = probe_record(out)
            check(status == 0, f"{base}: probe: read the record {seen}")
            check({k: seen.get(k) for k in want} == want and
                  not set(seen) - set(want) - {"file", "product", "translation"},
                  f"{base}: probe: strings {seen}")
            check(seen.get("file") == numbers and seen.get("product") == numbers
                  and seen.get("translation") == "0000 04b0",
                  f"{base}: probe: numbers and translation")
    show = subprocess.run([zovpack, "--show", f"{work}/options-win64.exe"],
                          capture_output=True, text=True).stdout
    check('ProductName = "Zoë Rechner 計算器"' in show and
          "version:     2.5.1.0 (file), 2.5.1.0 (product)" in show,
          "--show prints the record")
    for bad in ("1.70000", "99999"):
        out = f"{work}/bad.exe"
        run = subprocess.run([zovpack, f"{work}/plain.jar", "-o", out,
                              "--app-version", bad], capture_output=True, text=True)
        check(run.returncode == 1 and "above 65535" in run.stderr and
              not os.path.exists(out), f"--app-version {bad} refused: {run.stderr.strip()}")
    subprocess.run(["rm", "-rf", work])
    if failures:
        sys.exit(f"{len(failures)} failed")


main()
