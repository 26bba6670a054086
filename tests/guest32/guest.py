#!/usr/bin/env python3
"""The i386 guest as a place to run commands, for the 32-bit Windows tests.

  guest.py serve DIR SOCKET PATH...   boots the guest image in DIR with the
      host folders PATH shared at the same paths, and runs commands sent to
      SOCKET in it until stopped (SIGTERM)
  guest.py run COMMAND...             runs COMMAND in the guest, as if here:
      same arguments, working folder and environment (less the host's own
      session variables); prints its output and ends with its status

One boot serves a whole test run: each start of Wine in the guest costs
seconds, a boot much more. Commands may run side by side."""
import base64
import json
import os
import signal
import socket
import subprocess
import sys
import threading
import time

# The guest has its own session: its paths, its Wine prefix, its display,
# its temporary folder (Wine keeps its server's socket there).
HOST_ONLY = {"PATH", "HOME", "TMPDIR", "WINEPREFIX", "WINESERVER", "WINELOADER",
             "WINEDLLPATH", "DISPLAY", "XAUTHORITY", "LD_LIBRARY_PATH",
             "LD_PRELOAD", "PWD", "OLDPWD", "SHELL", "USER", "LOGNAME",
             "TERM", "HOSTNAME", "SHLVL", "_", "ZOV_GUEST32_SOCKET"}


def run(argv):
    path = os.environ.get("ZOV_GUEST32_SOCKET", "")
    try:
        conn = socket.socket(socket.AF_UNIX)
        conn.connect(path)
    except OSError:
        print("skipped: no 32-bit guest", file=sys.stderr)
        return 77
    env = {k: v for k, v in os.environ.items() if k not in HOST_ONLY}
    conn.sendall(json.dumps({"argv": argv, "env": env, "cwd": os.getcwd()})
                 .encode() + b"\n")
    reply = json.loads(conn.makefile("rb").readline() or b'{"error": "guest gone"}')
    if "error" in reply:
        print("guest32: " + reply["error"], file=sys.stderr)
        return 125
    sys.stdout.buffer.write(base64.b64decode(reply["out"]))
    sys.stderr.buffer.write(base64.b64decode(reply["err"]))
    if reply["status"] < 0:
        os.kill(os.getpid(), -reply["status"])
    return reply["status"]


class Guest:
    def __init__(self, image, sock, shares):
        self.lock = threading.Lock()
        self.waiting = {}  # request id -> [event, reply]
        self.next_id = 0
        self.broken = False  # no reply can come any more
        run_dir = os.path.dirname(os.path.abspath(sock))
        ctl_path = os.path.join(run_dir, "guest32-ctl.sock")
        listener = socket.socket(socket.AF_UNIX)
        # A run that was killed leaves its sockets behind.
        if os.path.exists(ctl_path):
            os.unlink(ctl_path)
        listener.bind(ctl_path)
        listener.listen(1)
        here = os.path.dirname(os.path.abspath(__file__))
        cmdline = ["console=ttyS0", "panic=1", "quiet",
                   "zov.init=" + os.path.join(here, "guest_main.sh")]
        qemu = ["qemu-system-i386", "-machine", "pc,accel=tcg",
                # SMAP makes the guest kernel oops when Wine's 32-bit code
                # returns through iret.
                "-cpu", "max,-smap", "-smp", "2", "-m", "2048",
                "-display", "none", "-no-reboot", "-snapshot",
                "-serial", "file:" + os.path.join(run_dir, "guest32-console.log"),
                "-kernel", os.path.join(image, "vmlinuz"),
                "-initrd", os.path.join(image, "initrd.img"),
                "-drive", "file=%s,format=raw,if=virtio" % os.path.join(image, "disk.img"),
                "-device", "virtio-serial-pci",
                "-chardev", "socket,id=ctl,path=" + ctl_path,
                "-device", "virtserialport,chardev=ctl,name=zov.ctl"]
        for i, path in enumerate(shares):
            tag = "share%d" % i
            qemu += ["-fsdev", "local,id=%s,path=%s,security_model=none" % (tag, path),
                     "-device", "virtio-9p-pci,fsdev=%s,mount_tag=%s" % (tag, tag)]
            cmdline.append("zov.share=%s:%s" % (tag, path))
        self.qemu = subprocess.Popen(qemu + ["-append", " ".join(cmdline)],
                                     stdin=subprocess.DEVNULL)
        listener.settimeout(60)
        self.ctl, _ = listener.accept()
        listener.close()
        self.ctl.settimeout(600)  # booting under emulation: about a minute
        self.reader = self.ctl.makefile("rb")
        try:
            ready = self.reader.readline()  # the guest's server has started
        except socket.timeout:
            ready = b""
        if not ready.startswith(b'{"ready"'):
            self.qemu.kill()
            raise RuntimeError("the guest did not start")
        self.ctl.settimeout(None)
        threading.Thread(target=self.read_replies, daemon=True).start()

    def send(self, message):
        data = json.dumps(message).encode() + b"\n"
        with self.lock:
            self.ctl.sendall(data)

    def read_replies(self):
        try:
            for line in self.reader:
                reply = json.loads(line)
                with self.lock:
                    slot = self.waiting.pop(reply["id"], None)
                if slot:
                    slot[1] = reply
                    slot[0].set()
        except ValueError as e:
            print("guest32: unreadable reply: %s" % e, flush=True)
        with self.lock:  # the guest is gone or garbled: nobody waits for it
            self.broken = True
            for slot in self.waiting.values():
                slot[0].set()

    def serve_client(self, client):
        with client:
            request = json.loads(client.makefile("rb").readline() or b"null")
            if not request:
                return
            slot = [threading.Event(), None]
            with self.lock:
                self.next_id += 1
                request["id"] = self.next_id
                if self.broken:
                    slot[0].set()
                else:
                    self.waiting[request["id"]] = slot
            if not slot[0].is_set():
                self.send(request)
            # A client that goes away (killed at its deadline) takes its
            # command with it.

            def watch():
                try:
                    client.recv(1)
                except OSError:
                    pass
                if not slot[0].is_set():
                    self.send({"id": request["id"], "kill": True})
            threading.Thread(target=watch, daemon=True).start()
            slot[0].wait()
            reply = slot[1] or {"error": "the guest stopped"}
            try:
                client.sendall(json.dumps(reply).encode() + b"\n")
            except OSError:
                pass

    def stop(self):
        try:
            self.send({"shutdown": True})
            self.qemu.wait(30)
        except (OSError, subprocess.TimeoutExpired):
            self.qemu.kill()
            self.qemu.wait()


def serve(image, sock, shares):
    start = time.monotonic()
    try:
        guest = Guest(image, sock, shares)
    except (OSError, RuntimeError) as e:
        console = os.path.join(os.path.dirname(os.path.abspath(sock)),
                               "guest32-console.log")
        if os.path.exists(console):
            sys.stdout.write(open(console, errors="replace").read()[-3000:])
        print("guest32: %s" % e)
        return 1
    print("guest32: up in %.0f s" % (time.monotonic() - start), flush=True)
    server = socket.socket(socket.AF_UNIX)
    if os.path.exists(sock):
        os.unlink(sock)
    server.bind(sock)
    server.listen(16)
    stopping = threading.Event()
    signal.signal(signal.SIGTERM, lambda *_: stopping.set())
    server.settimeout(0.5)
    while not stopping.is_set() and guest.qemu.poll() is None:
        try:
            client, _ = server.accept()
        except socket.timeout:
            continue
        client.settimeout(None)
        threading.Thread(target=guest.serve_client, args=(client,),
                         daemon=True).start()
    guest.stop()
    return 0


if __name__ == "__main__":
    if len(sys.argv) > 2 and sys.argv[1] == "run":
        sys.exit(run(sys.argv[2:]))
    if len(sys.argv) > 3 and sys.argv[1] == "serve":
        sys.exit(serve(sys.argv[2], sys.argv[3], sys.argv[4:]))
    sys.exit(__doc__)
