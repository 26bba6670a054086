#!/usr/bin/env python3
"""Runs inside the i386 guest: executes the commands the host sends over
the control port (one JSON line each) and answers with their status and
output, several at a time."""
import base64
import glob
import json
import os
import signal
import subprocess
import sys
import tempfile
import threading

port = None
for name in glob.glob("/sys/class/virtio-ports/*/name"):
    if open(name).read().strip() == "zov.ctl":
        port = "/dev/" + name.split("/")[-2]
if not port:
    sys.exit("guest32: no control port")
channel = open(port, "r+b", buffering=0)
write_lock = threading.Lock()
running = {}  # request id -> process
base_env = dict(os.environ)


def send(message):
    data = memoryview(json.dumps(message).encode() + b"\n")
    with write_lock:
        while data:  # the port takes a long reply in parts
            data = data[channel.write(data):]


def execute(request):
    env = dict(base_env)
    env.update(request["env"])
    cwd = request["cwd"] if os.path.isdir(request["cwd"]) else "/"
    # Files, not pipes: the Wine services a program starts keep its output
    # descriptors open long after it has ended.
    out, err = tempfile.TemporaryFile(), tempfile.TemporaryFile()
    try:
        process = subprocess.Popen(
            request["argv"], cwd=cwd, env=env, stdin=subprocess.DEVNULL,
            stdout=out, stderr=err, start_new_session=True)
    except OSError as e:
        send({"id": request["id"], "status": 127, "out": "",
              "err": base64.b64encode(str(e).encode()).decode()})
        return
    running[request["id"]] = process
    process.wait()
    running.pop(request["id"], None)
    out.seek(0)
    err.seek(0)
    send({"id": request["id"], "status": process.returncode,
          "out": base64.b64encode(out.read()).decode(),
          "err": base64.b64encode(err.read()).decode()})


send({"ready": True})
for line in iter(channel.readline, b""):
    request = json.loads(line)
    if request.get("shutdown"):
        break
    if request.get("kill"):
        process = running.get(request["id"])
        if process:
            try:
                os.killpg(process.pid, signal.SIGKILL)
            except OSError:
                pass
        continue
    threading.Thread(target=execute, args=(request,), daemon=True).start()
