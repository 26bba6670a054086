#!/usr/bin/env python3
"""The launch messages as Wine shows them: text (from Wine's +msgbox trace)
and caption (the box's X window name), in English and in both Chinese
locales, each box closed with the Return key.

usage: messages_wine_test.py WINE messages_probe.exe

Exits 77 (skipped) without an X display or xdotool."""
import os
import queue
import re
import shutil
import subprocess
import sys
import tempfile
import threading
import time

VERSION_ARGS = "6,1,4,1,5"  # runtime 1.4, minimum 1.5

# (locale, probe arguments, caption, texts), typed here from the table the
# launcher must carry, independently of resources/messages.txt.
RUNS = [
    ("en_US.UTF-8",
     ["1", "2", "3", "4", "5", VERSION_ARGS, "7", "8"],
     "Error",
     ["Java Runtime Environment not found.",
      "Java Runtime Environment not valid.",
      "Java Virtual Machine initialize failed.",
      "Java Virtual Machine starts failed.",
      "Can not get the virtual machine version.",
      "Java virtual machine version 1.4 is too low, require 1.5 or higher.",
      "The main startup class could not be found.",
      "The main startup class is not valid, main method missing."]),
    ("zh_CN.UTF-8", [VERSION_ARGS, "8"], "错误",
     ["Java 虚拟机版本 1.4 太低，需要 1.5 或更高版本。",
      "主启动类无效，缺少 main 方法。"]),
    ("zh_TW.UTF-8", [VERSION_ARGS, "1"], "錯誤",
     ["Java 虛擬機版本 1.4 太低，需要 1.5 或更高版本。",
      "Java 運行環境未找到。"]),
]

failures = []


def check(condition, what):
    print(("ok   " if condition else "FAIL ") + what, flush=True)
    if not condition:
        failures.append(what)


def xdotool(*args):
    return subprocess.run(["xdotool", *args], capture_output=True, text=True,
                          timeout=60).stdout


def wait_for(predicate, seconds):
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        value = predicate()
        if value:
            return value
        time.sleep(0.1)
    return predicate()


def decode_debugstr(text):
    """Undoes Wine's debugstr_w escapes."""
    simple = {"n": "\n", "r": "\r", "t": "\t", '"': '"', "\\": "\\"}
    return re.sub(r'\\([0-9a-f]{4}|[nrt"\\])',
                  lambda m: simple.get(m.group(1)) or chr(int(m.group(1), 16)),
                  text)


def run(wine, exe, locale, args):
    """Shows the boxes; returns (captions, traced texts)."""
    klass = os.path.basename(exe)
    env = dict(os.environ, LC_ALL=locale, WINEDEBUG="+msgbox")
    with tempfile.TemporaryFile(mode="w+", encoding="utf-8",
                                errors="replace") as trace:
        process = subprocess.Popen([wine, exe, *args], stdout=subprocess.PIPE,
                                   stderr=trace, text=True, env=env)
        lines = queue.Queue()

        def read():
            for line in process.stdout:
                lines.put(line.split())
            lines.put(None)
        threading.Thread(target=read, daemon=True).start()

        def next_line(seconds):
            try:
                return lines.get(timeout=seconds)
            except queue.Empty:
                return None

        captions = []
        previous = None
        for arg in args:
            code = arg.split(",")[0]
            if next_line(120) != ["showing", code]:
                break
            if previous:  # its X window may linger a moment
                wait_for(lambda: previous not in xdotool(
                    "search", "--onlyvisible", "--classname", klass).split(), 20)
            window = wait_for(lambda: xdotool(
                "search", "--onlyvisible", "--classname", klass).split(), 60)
            if not window:
                break
            window = window[0]
            captions.append(xdotool("getwindowname", window).strip())
            closed = None
            for _ in range(10):  # another window may have had the focus
                xdotool("windowfocus", "--sync", window)
                xdotool("key", "Return")
                closed = next_line(6)
                if closed is not None:
                    break
            if closed != ["closed", code]:
                break
            previous = window
        try:
            process.wait(timeout=60)
        except subprocess.TimeoutExpired:
            process.kill()
        trace.seek(0)
        texts = [decode_debugstr(m.group(1)) for m in re.finditer(
            r'trace:msgbox:MSGBOX_OnInit L"(.*)"\n', trace.read())]
    return captions, texts


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    if not os.environ.get("DISPLAY") or not shutil.which("xdotool"):
        print("skipped: needs DISPLAY and xdotool")
        return 77
    wine, exe = sys.argv[1:]
    for locale, args, caption, texts in RUNS:
        shown_captions, shown_texts = run(wine, exe, locale, args)
        check(shown_texts == texts, f"{locale}: the texts" + (
            "" if shown_texts == texts else f" {shown_texts} != {texts}"))
        check(shown_captions == [caption] * len(texts),
              f"{locale}: the captions {shown_captions}")
    if failures:
        print(f"{len(failures)} check(s) failed")
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
