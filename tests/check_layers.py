#!/usr/bin/env python3
"""Fails when an #include points up the launcher's layers.

text < platform < config < runtime < splash < launcher: a file may include
its own layer and those below. pack/ stands apart: besides its own files it
may include only the launcher side's format headers (NAME_format.h), which
hold what both sides must agree on.
"""
import os
import re
import sys
import tempfile

LAYERS = ["text", "platform", "config", "runtime", "splash", "launcher"]
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)


def violations(root):
    found = []
    for top in LAYERS + ["pack"]:
        for folder, _, names in os.walk(os.path.join(root, top)):
            for name in sorted(names):
                if not name.endswith((".cpp", ".h")):
                    continue
                path = os.path.join(folder, name)
                with open(path, encoding="utf-8", errors="replace") as f:
                    text = f.read()
                for target in INCLUDE.findall(text):
                    layer = target.split("/")[0] if "/" in target else None
                    if layer not in LAYERS:
                        continue  # a pack file, a generated or test header
                    if top == "pack":
                        ok = target.endswith("_format.h")
                    else:
                        ok = LAYERS.index(layer) <= LAYERS.index(top)
                    if not ok:
                        found.append("%s includes %s" %
                                     (os.path.relpath(path, root), target))
    return found


def catches_planted_includes():
    """The check itself must see a fault: one in a layer, one in pack/."""
    with tempfile.TemporaryDirectory() as root:
        planted = {"text/a.cpp": '#include "launcher/messages.h"\n',
                   "pack/b.cpp": '#include "config/config_store.h"\n',
                   "pack/c.cpp": '#include "config/end_record_format.h"\n',
                   "runtime/d.cpp": '#include "config/expand.h"\n'}
        for name, text in planted.items():
            os.makedirs(os.path.join(root, os.path.dirname(name)),
                        exist_ok=True)
            with open(os.path.join(root, name), "w") as f:
                f.write(text)
        return len(violations(root)) == 2


def main():
    root = sys.argv[1] if len(sys.argv) > 1 else "."
    if not os.path.isdir(os.path.join(root, "text")):
        print("no source tree at %s" % root)
        return 2
    if not catches_planted_includes():
        print("the check missed an include planted to point up")
        return 1
    found = violations(root)
    for line in found:
        print(line)
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main())
