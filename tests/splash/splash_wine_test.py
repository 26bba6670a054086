#!/usr/bin/env python3
"""The splash window under Wine, seen from the X display it is shown on.

usage: splash_wine_test.py WINE splash_probe.exe

Starts the probe (see splash_probe.cpp for its commands) and checks the
window's place and pixels in a screenshot, that a key closes it while mouse
buttons and Alt+F4 do not, the close timer's delays, and that a splash that
failed or has gone ignores timer requests. Exits 77 (skipped) without an X
display or the X tools."""
import os
import queue
import shutil
import struct
import subprocess
import sys
import threading
import time

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from make_bitmaps import LARGE, SMALL, pixel  # noqa: E402

# Timers may fire a little early by the clock the probe reads; they may
# fire very late on a loaded machine, which must not fail the test. Wine
# without a window manager also spends about 2 s unmapping the window.
EARLY = 150
LATE = 10000

failures = []


def check(condition, what):
    print(("ok   " if condition else "FAIL ") + what, flush=True)
    if not condition:
        failures.append(what)


class Probe:
    def __init__(self, wine, exe):
        self.process = subprocess.Popen(
            [wine, exe], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
            stderr=subprocess.DEVNULL, text=True)
        self.lines = queue.Queue()
        threading.Thread(target=self._read, daemon=True).start()

    def _read(self):
        for line in self.process.stdout:
            self.lines.put(line.strip())
        self.lines.put(None)

    def ask(self, command, timeout=120):
        self.process.stdin.write(command + "\n")
        self.process.stdin.flush()
        try:
            answer = self.lines.get(timeout=timeout)
        except queue.Empty:
            answer = None
        if answer is None:
            sys.exit(f"the probe gave no answer to {command!r}")
        return answer.split()

    def quit(self):
        self.process.stdin.write("quit\n")
        self.process.stdin.flush()
        return self.process.wait(timeout=60)


def xdotool(*args):
    return subprocess.run(["xdotool", *args], capture_output=True, text=True,
                          timeout=60).stdout.split()


def splash_window():
    """The X window that shows the splash, or None."""
    found = xdotool("search", "--onlyvisible", "--name", r"^Please wait \.\.\.$")
    return found[0] if found else None


def screenshot():
    """The root window as a function (x, y) -> (r, g, b)."""
    data = subprocess.run(["xwd", "-root", "-silent"], capture_output=True,
                          check=True, timeout=60).stdout
    header = struct.unpack(">25I", data[:100])
    header_size, width, height = header[0], header[4], header[5]
    byte_order, bits, stride = header[7], header[11], header[12]
    masks, colours = header[14:17], header[19]
    if bits not in (24, 32):
        sys.exit(f"xwd: {bits} bits per pixel is not handled")
    size = bits // 8
    start = header_size + 12 * colours
    order = "little" if byte_order == 0 else "big"

    def channel(value, mask):
        shift = (mask & -mask).bit_length() - 1
        return (value & mask) >> shift

    def at(x, y):
        if not (0 <= x < width and 0 <= y < height):
            return None
        at = start + y * stride + size * x
        value = int.from_bytes(data[at:at + size], order)
        return tuple(channel(value, m) for m in masks)
    return at


def wait_for(predicate, seconds=20):
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        if predicate():
            return True
        time.sleep(0.1)
    return predicate()


def centred(screen, size):
    # C's division truncates toward zero; Python's // floors.
    return int((screen - size) / 2)


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    if not os.environ.get("DISPLAY") or not (shutil.which("xdotool") and
                                             shutil.which("xwd")):
        print("skipped: needs DISPLAY, xdotool and xwd")
        return 77
    probe = Probe(sys.argv[1], sys.argv[2])

    # Placement and pixels.
    answer = probe.ask("start 100")
    check(answer[0] == "started" and answer[2] != "none",
          f"the splash window is up: {answer}")
    if answer[2] == "none":
        return 1
    x, y, w, h, sw, sh = map(int, answer[2:8])
    check((w, h) == SMALL, f"the window has the bitmap's size: {w}x{h}")
    check((x, y) == (centred(sw, w), centred(sh, h)),
          f"the window is centred on {sw}x{sh}: at {x},{y}")
    check(wait_for(lambda: splash_window() is not None),
          "X shows the window under its caption")
    # The pointer stays out of the picture; the first paint may still be on
    # its way, so a few looks are allowed.
    xdotool("mousemove", "0", "0")
    for _ in range(10):
        shot = screenshot()
        wrong = [(i, j) for j in range(h) for i in range(w)
                 if shot(x + i, y + j) != pixel(i, j)]
        if not wrong:
            break
        time.sleep(0.5)
    check(not wrong, f"the screen shows every bitmap pixel in place "
          f"({len(wrong)} differ, first {wrong[:3]})")

    # Mouse buttons and Alt+F4 leave it open; a plain key then closes it,
    # which also shows that keys did reach the window.
    xdotool("mousemove", str(x + w // 2), str(y + h // 2))
    for button in ("1", "2", "3"):
        xdotool("click", button)
    window = splash_window()
    if window:
        xdotool("windowfocus", "--sync", window)
    xdotool("key", "alt+F4")
    time.sleep(2)
    check(probe.ask("wait 0")[0] == "alive",
          "clicks and Alt+F4 do not close it")
    for _ in range(5):  # another window may have taken the focus
        if window:
            xdotool("windowfocus", "--sync", window)
        xdotool("key", "space")
        closed = probe.ask("wait 8000")[0] == "gone"
        if closed:
            break
    check(closed, "a key closes it")
    check(wait_for(lambda: splash_window() is None),
          "X no longer shows the window")

    # The close timer.
    probe.ask("start 100")
    probe.ask("timer 1500")
    gone = probe.ask("wait 60000")
    check(gone[0] == "gone" and 1500 - EARLY <= int(gone[1]) <= 1500 + LATE,
          f"the close timer closes it after its delay (1500 ms): {gone}")

    probe.ask("start 100")
    probe.ask("timer 500")
    probe.ask("timer 4000")
    gone = probe.ask("wait 60000")
    check(gone[0] == "gone" and 4000 - EARLY <= int(gone[1]) <= 4000 + LATE,
          f"a later, longer delay replaces the first (4000 ms): {gone}")

    probe.ask("start 100")
    probe.ask("timer 60000")
    probe.ask("timer 1000")
    gone = probe.ask("wait 60000")
    check(gone[0] == "gone" and int(gone[1]) <= 1000 + LATE,
          f"a later, shorter delay replaces the first (1000 ms): {gone}")

    # Gone: neither a null splash nor the freed one's pointer arms anything.
    check(probe.ask("timer 10") == ["armed"] and
          probe.ask("stale 10") == ["armed"] and
          probe.ask("wait 0")[0] == "gone",
          "timer requests after the splash has gone do nothing")

    # Larger than the screen: negative coordinates, the bitmap's own size.
    answer = probe.ask("start 101")
    if answer[2] != "none":
        x, y, w, h, sw, sh = map(int, answer[2:8])
        check((w, h) == LARGE and (x, y) == (centred(sw, w), centred(sh, h))
              and x < 0 and y < 0,
              f"a bitmap larger than the screen starts off-screen: "
              f"{w}x{h} at {x},{y}")
    else:
        check(False, "the large splash window is up")
    probe.ask("timer 1")
    check(probe.ask("wait 60000")[0] == "gone", "the large splash closes")

    # A window that cannot be created: no wait for the 30 s limit, no splash.
    failed = probe.ask("failclass")
    check(failed[0] == "failed" and int(failed[1]) < 20000 and
          failed[2:] == ["0", "0"],
          f"a failed window ends the splash at once: {failed}")

    # Timer requests racing the tear-down, many times over.
    check(probe.ask("race 10", timeout=600) == ["raced"],
          "timer requests racing the tear-down neither crash nor hang")

    check(probe.quit() == 0, "the probe ends normally")
    if failures:
        print(f"{len(failures)} check(s) failed")
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
