#!/usr/bin/env python3
"""Checks of the parts of bench.py whose mistakes would give wrong numbers
without failing: the callgrind reader, the padded archives and the PE
resource walk. ZOV_WIN64_EXE names a built zov64.exe for the last."""

import os
import shutil
import struct
import tempfile
import unittest
import zipfile

import bench

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))

# The shape callgrind writes: names given once then referred to by id, an
# object first named in a call (cob=), inclusive call costs after calls=.
CALLGRIND_OUT = """\
events: Ir
summary: 1000
ob=(1) /lib/ld.so
fn=(1) start
0 100
cob=(2) /lib/libc.so
cfn=(2) malloc
calls=3 0
0 400
ob=(3) /bin/app
fn=(3) main
+1 50
cob=(2)
cfn=(2)
calls=1 0
* 30
ob=(2)
fn=(2)
0 420
-2 10
ob=(1)
fn=(1)
0 5
totals: 1000
"""


class CallgrindCostsTest(unittest.TestCase):
    def test_self_costs_by_object(self):
        with tempfile.NamedTemporaryFile("w", suffix=".out") as f:
            f.write(CALLGRIND_OUT)
            f.flush()
            total, objects = bench.callgrind_costs(f.name)
        self.assertEqual(1000, total)
        # Call lines carry the callee's inclusive cost: not the caller's.
        self.assertEqual({"/lib/ld.so": 105, "/lib/libc.so": 430,
                          "/bin/app": 50}, objects)


class PaddedJarTest(unittest.TestCase):
    def test_exact_sizes_and_entries_kept(self):
        work = tempfile.mkdtemp()
        try:
            source = os.path.join(work, "app.jar")
            with zipfile.ZipFile(source, "w", zipfile.ZIP_DEFLATED) as z:
                z.writestr("META-INF/MANIFEST.MF", "Main-Class: a.B\n")
                z.writestr("a/B.class", b"\xca\xfe\xba\xbe" * 50)
            for total in (1024, 300 * 1024):
                jar = bench.padded_jar(source, os.path.join(work, "out.jar"),
                                       total, work)
                self.assertEqual(total, os.path.getsize(jar))
                with zipfile.ZipFile(jar) as z:
                    self.assertIsNone(z.testzip())
                    names = z.namelist()
                    padding = z.getinfo("padding.bin")
                self.assertIn("a/B.class", names)
                self.assertEqual(zipfile.ZIP_STORED, padding.compress_type)
            self.assertEqual({"app.jar", "out.jar"}, set(os.listdir(work)))
        finally:
            shutil.rmtree(work)


@unittest.skipUnless(os.path.exists(os.environ.get("ZOV_WIN64_EXE", "")),
                     "no zov64.exe given")
class PeLayoutTest(unittest.TestCase):
    def test_icon_bytes_are_the_icon_files_images_and_group(self):
        with open(os.path.join(ROOT, "resources", "zov.ico"), "rb") as f:
            ico = f.read()
        count = struct.unpack_from("<H", ico, 4)[0]
        images = sum(struct.unpack_from("<I", ico, 6 + 16 * i + 8)[0]
                     for i in range(count))
        group = 6 + 14 * count  # GRPICONDIR with its entries
        path = os.environ["ZOV_WIN64_EXE"]
        sections, icon = bench.pe_layout(path)
        self.assertEqual(images + group, icon)
        self.assertIn(".rsrc", [name for name, _ in sections])
        self.assertLessEqual(sum(size for _, size in sections),
                             os.path.getsize(path))


if __name__ == "__main__":
    unittest.main()
