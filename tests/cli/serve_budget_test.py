#!/usr/bin/env python3
"""The server's budgets and scratch. Exports that would take too long do not keep a sane export from
succeeding: `checkvalve serve` with a short time limit gets four heavy exports at once, then a sane one.
A build left by its client or out of time gives its slot back long before its 292 m body would have
been meshed. Every temporary file of a server goes with it: STEP exports left at random moments, a stop
while meshing, a killed server's folder removed by the next one. Loopback only, bounded in count and
time; each server runs in its own process group and is ended on exit.

Usage: serve_budget_test.py PATH/TO/checkvalve"""
import fcntl
import json
import os
import random
import re
import shutil
import signal
import socket
import struct
import subprocess
import sys
import tempfile
import threading
import time
import urllib.error
import urllib.request

program = sys.argv[1]
failures = []
passes = 0


def check(ok, what):
    global passes
    if ok:
        passes += 1
    else:
        failures.append(what)
        print("FAIL", what)


server = subprocess.Popen([program, "serve", "--port", "0", "--time-limit", "0.5"], stdout=subprocess.PIPE,
                          stderr=subprocess.DEVNULL, text=True, start_new_session=True)
try:
    line = server.stdout.readline()
    base = re.search(r"(http://127\.0\.0\.1:\d+/)", line).group(1)

    def post(path, body, timeout=60):
        request = urllib.request.Request(base + path, data=json.dumps(body).encode(),
                                         headers={"Content-Type": "application/json"})
        try:
            with urllib.request.urlopen(request, timeout=timeout) as answer:
                return answer.status, answer.read()
        except urllib.error.HTTPError as error:
            return error.code, error.read()

    with urllib.request.urlopen(base + "api/part?sample=default-1-nps4-cl150-swing", timeout=30) as answer:
        swing = json.load(answer)
    heavy = dict(swing, name="heavy", inputs=dict(swing["inputs"], FacetoFace=500))

    answers = []
    threads = [threading.Thread(target=lambda: answers.append(post("api/export?format=glb", heavy)))
               for _ in range(4)]
    for thread in threads:
        thread.start()
    time.sleep(0.2)
    # A sane export succeeds within a few seconds, retried after a 503 as its Retry-After says.
    started = time.monotonic()
    status = None
    while time.monotonic() - started < 20:
        status, body = post("api/export?format=glb", swing)
        if status != 503:
            break
        time.sleep(1)
    took = time.monotonic() - started
    check(status == 200 and body[:4] == b"glTF", f"sane export answered {status}")
    check(took < 20, f"sane export took {took:.1f} s")
    for thread in threads:
        thread.join(60)
    for status, body in answers:
        if status == 503:
            continue
        message = json.loads(body)["error"]["message"] if status == 422 else ""
        check(status == 422 and "time limit of 0.5 s reached while" in message,
              f"heavy export answered {status} {body[:200]!r}")
    # A heavy evaluation is a report that says which limit ended it.
    status, body = post("api/evaluate", dict(heavy, inputs=dict(heavy["inputs"], FacetoFace=2920)))
    report = json.loads(body)
    check(status == 200 and any("over 20 m" in warning for warning in report["warnings"]),
          "evaluate lists the plausibility warnings")
    # The server's memory stayed small throughout.
    with open(f"/proc/{server.pid}/status") as status_file:
        peak = int(re.search(r"VmHWM:\s+(\d+) kB", status_file.read()).group(1))
    check(peak < 1_500_000, f"server peak memory {peak} kB")
finally:
    os.killpg(server.pid, signal.SIGTERM)
    try:
        server.wait(10)
    except subprocess.TimeoutExpired:
        os.killpg(server.pid, signal.SIGKILL)


# --- Helpers for the sections below: a server of their own, raw requests that may be left -------------
def start(env, *extra):
    child = subprocess.Popen([program, "serve", "--port", "0", *extra], stdout=subprocess.PIPE,
                             stderr=subprocess.PIPE, text=True, start_new_session=True, env=env)
    match = re.search(r"http://127\.0\.0\.1:(\d+)/", child.stdout.readline())
    return child, int(match.group(1))


def stop(child, how):
    os.killpg(child.pid, how)
    try:
        return child.wait(15)
    except subprocess.TimeoutExpired:
        os.killpg(child.pid, signal.SIGKILL)
        return child.wait()


def raw_post(port, path, body, leave_after=None):
    """Posts `body`: seconds until the whole answer and its status, or None when the connection is closed
    `leave_after` seconds after sending, answered or not."""
    data = json.dumps(body).encode()
    started = time.monotonic()
    with socket.create_connection(("127.0.0.1", port), timeout=120) as connection:
        connection.sendall(f"POST {path} HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Type: application/json\r\n"
                           f"Content-Length: {len(data)}\r\nConnection: close\r\n\r\n".encode() + data)
        if leave_after is not None:
            time.sleep(leave_after)
            connection.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
            return None
        answer = b""
        while chunk := connection.recv(1 << 16):
            answer += chunk
    return time.monotonic() - started, int(answer.split(b" ", 2)[1])


# --- A build left by its client, or out of time, gives its slot back at once ----------------------------
for limit in ["60", "0.2"]:
    one_slot, port = start(None, "--evaluations", "1", "--time-limit", limit)
    try:
        long_body = lambda i: dict(swing, name=f"long{i}", inputs=dict(swing["inputs"], FacetoFace=292 + i / 100))
        if limit == "60":
            # How long the body takes to build in full, then the same shape left after 0.1 s: the next build
            # finds the slot free long before the left one would have ended.
            heavy_time, heavy_status = raw_post(port, "/api/build", long_body(0))
            check(heavy_status == 200, f"a 292 m body builds: {heavy_status}")
            raw_post(port, "/api/build", long_body(1), leave_after=0.1)
            after, status = raw_post(port, "/api/build", dict(swing, name="sane-after-leaving"))
            check(status == 200 and after < heavy_time / 2,
                  f"a build after one left took {after:.2f} s (the left one alone: {heavy_time:.2f} s)")
        else:
            took, status = raw_post(port, "/api/build", long_body(2))
            check(status == 200 and took < heavy_time / 2,
                  f"a build over its 0.2 s time limit answered {status} after {took:.2f} s "
                  f"(in full: {heavy_time:.2f} s)")
    finally:
        stop(one_slot, signal.SIGKILL)

# --- Scratch: every temporary file of a server goes with it, however its work or the server ends -----------
scratch = tempfile.mkdtemp(prefix="checkvalve-scratch-test-")
env = dict(os.environ, TMPDIR=scratch)
servers = []
try:
    # A killed server leaves its folder; the next one removes it at start, but not a running server's
    # folder (its lock is held), a folder without a lock, or anything else.
    killed, _ = start(env)
    servers.append(killed)
    check(stop(killed, signal.SIGKILL) == -signal.SIGKILL, "the first server was killed")
    left = sorted(os.listdir(scratch))
    check(len(left) == 1 and left[0].startswith("checkvalve-serve-"), f"a killed server's folder: {left}")
    running = os.path.join(scratch, "checkvalve-serve-running")
    os.makedirs(running)
    with open(os.path.join(running, ".lock"), "w") as held:
        fcntl.flock(held, fcntl.LOCK_EX)
        kept = {"checkvalve-serve-running", "checkvalve-serve-nolock", "notes"}
        os.makedirs(os.path.join(scratch, "checkvalve-serve-nolock"))
        os.makedirs(os.path.join(scratch, "notes"))
        server2, port = start(env, "--time-limit", "1", "--evaluations", "2")
        servers.append(server2)
        now = set(os.listdir(scratch))
        check(kept <= now and len(now - kept) == 1 and left[0] not in now,
              f"after a second server started: {sorted(now)}")
        with urllib.request.urlopen(f"http://127.0.0.1:{port}/api/part?sample=default-1-nps4-cl150-swing") as answer:
            part = json.load(answer)
        # STEP exports (each written by a child process of its own) left at random moments, some after the
        # time limit ended them.
        chance = random.Random(39)
        leavers = [threading.Thread(target=raw_post, args=(
            port, "/api/export?format=step",
            dict(part, name=f"cut{i}", inputs=dict(part["inputs"], FacetoFace=0.292 + i * 1e-4)),
            chance.uniform(0, 0.3))) for i in range(40)]
        for i in range(0, len(leavers), 4):
            for thread in leavers[i:i + 4]:
                thread.start()
            for thread in leavers[i:i + 4]:
                thread.join(60)
        # Then a stop while heavy builds mesh.
        heavy = [threading.Thread(target=raw_post, args=(
            port, "/api/build", dict(part, name=f"heavy{i}", inputs=dict(part["inputs"], FacetoFace=292 + i)), 3))
            for i in range(2)]
        for thread in heavy:
            thread.start()
        time.sleep(0.3)
        code = stop(server2, signal.SIGTERM)
        for thread in heavy:
            thread.join(10)
        check(code == 128 + signal.SIGTERM, f"server stopped by SIGTERM exits {code}")
        now = set(os.listdir(scratch))
        check(now == kept, f"temporary files left after cancelled exports and a stop: {sorted(now - kept)}")
finally:
    for child in servers:
        if child.poll() is None:
            os.killpg(child.pid, signal.SIGKILL)
            child.wait()
    shutil.rmtree(scratch, ignore_errors=True)

print(f"{passes} passed, {len(failures)} failed")
sys.exit(1 if failures else 0)
