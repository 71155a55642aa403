"""What `checkvalve serve` holds back: memory under slow range readers, slots after aborted builds, and
temporary files after cancelled STEP exports.

    python3 bench/serve_limits.py build/release/src/checkvalve [--scratch-exports 1000]

1. Range memory: 16 clients ask for `Range: bytes=0-` of a 256 MiB file and read it slowly (64 KiB every
   50 ms for 5 s); prints how much the server's resident memory grew.
2. Aborts: with `--evaluations 1`, a sane build alone (median of 10), and a sane build sent right after a
   292 m body's build was left after 0.1 s (median of 10; each left body a new shape, so no cache
   helps); then, with `--time-limit 0.2`, how long a 292 m build takes to be stopped (median of 5).
3. Scratch: --scratch-exports STEP exports, each left at a random moment within 0.3 s, four at a time,
   then SIGTERM; prints what is left in the server's TMPDIR.
Loopback only; each server runs in its own process group and is killed at the end.
"""

import argparse
import json
import os
import random
import re
import shutil
import signal
import socket
import statistics
import struct
import subprocess
import sys
import tempfile
import threading
import time
import urllib.request


def start(program, *args, env=None):
    child = subprocess.Popen([program, "serve", "--port", "0", *args], stdout=subprocess.PIPE,
                             stderr=subprocess.DEVNULL, text=True, start_new_session=True, env=env)
    port = int(re.search(r"127\.0\.0\.1:(\d+)/", child.stdout.readline()).group(1))
    return child, port


def stop(child, how=signal.SIGKILL):
    os.killpg(child.pid, how)
    try:
        return child.wait(30)
    except subprocess.TimeoutExpired:
        os.killpg(child.pid, signal.SIGKILL)
        return child.wait()


def rss(pid):
    with open(f"/proc/{pid}/status") as status:
        return int(re.search(r"VmRSS:\s+(\d+) kB", status.read()).group(1)) * 1024


def post(port, path, body, leave_after=None):
    """Seconds to the whole answer, or None when the request is left after `leave_after` seconds."""
    data = json.dumps(body).encode()
    started = time.monotonic()
    with socket.create_connection(("127.0.0.1", port), timeout=120) as connection:
        connection.sendall(f"POST {path} HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Type: application/json\r\n"
                           f"Content-Length: {len(data)}\r\nConnection: close\r\n\r\n".encode() + data)
        if leave_after is not None:
            time.sleep(leave_after)
            connection.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
            return None
        while connection.recv(1 << 16):
            pass
    return time.monotonic() - started


def range_memory(program):
    folder = tempfile.mkdtemp(prefix="checkvalve-bench-")
    try:
        with open(os.path.join(folder, "big.bin"), "wb") as big:
            big.truncate(256 << 20)
        server, port = start(program, folder)
        try:
            before = rss(server.pid)
            peak = before
            clients = []
            for _ in range(16):
                client = socket.create_connection(("127.0.0.1", port))
                client.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, 64 << 10)
                client.sendall(b"GET /big.bin HTTP/1.1\r\nHost: 127.0.0.1\r\nRange: bytes=0-\r\n\r\n")
                clients.append(client)
            ends = time.monotonic() + 5
            while time.monotonic() < ends:
                for client in clients:
                    client.recv(64 << 10)
                peak = max(peak, rss(server.pid))
                time.sleep(0.05)
            for client in clients:
                client.close()
            print(f"range memory: 16 slow readers of bytes=0- of a 256 MiB file grew the server by "
                  f"{(peak - before) / 1048576:.1f} MB (goal: under 32 MB)")
        finally:
            stop(server)
    finally:
        shutil.rmtree(folder, ignore_errors=True)


def aborts(program):
    server, port = start(program, "--evaluations", "1")
    try:
        with urllib.request.urlopen(f"http://127.0.0.1:{port}/api/part?sample=default-1-nps4-cl150-swing") as answer:
            part = json.load(answer)
        alone, after = [], []
        for i in range(10):
            alone.append(post(port, "/api/build", dict(part, name=f"alone{i}")))
        for i in range(10):
            long_body = dict(part, name=f"long{i}", inputs=dict(part["inputs"], FacetoFace=292 + i / 100))
            post(port, "/api/build", long_body, leave_after=0.1)
            after.append(post(port, "/api/build", dict(part, name=f"after{i}")))
        a, b = statistics.median(alone), statistics.median(after)
        print(f"aborts: a sane build alone {a * 1000:.0f} ms, right after a left 292 m build {b * 1000:.0f} ms "
              f"(median of 10; goal: within 100 ms of alone, {(b - a) * 1000:+.0f} ms)")
    finally:
        stop(server)
    server, port = start(program, "--evaluations", "1", "--time-limit", "0.2")
    try:
        stopped = [post(port, "/api/build", dict(part, name=f"limited{i}",
                                                 inputs=dict(part["inputs"], FacetoFace=292 + i / 100)))
                   for i in range(5)]
        print(f"aborts: a 292 m build under --time-limit 0.2 answered after {statistics.median(stopped):.2f} s "
              f"(median of 5; goal: within 0.3 s)")
    finally:
        stop(server)


def scratch(program, count):
    folder = tempfile.mkdtemp(prefix="checkvalve-bench-tmp-")
    try:
        server, port = start(program, "--time-limit", "2", env=dict(os.environ, TMPDIR=folder))
        with urllib.request.urlopen(f"http://127.0.0.1:{port}/api/part?sample=default-1-nps4-cl150-swing") as answer:
            part = json.load(answer)
        chance = random.Random(1)
        started = time.monotonic()
        for first in range(0, count, 4):
            threads = [threading.Thread(target=post, args=(
                port, "/api/export?format=step",
                dict(part, name=f"cut{i}", inputs=dict(part["inputs"], FacetoFace=0.292 + i * 1e-5)),
                chance.uniform(0, 0.3))) for i in range(first, min(count, first + 4))]
            for thread in threads:
                thread.start()
            for thread in threads:
                thread.join(60)
        code = stop(server, signal.SIGTERM)
        left = os.listdir(folder)
        print(f"scratch: {count} STEP exports left at random moments in {time.monotonic() - started:.0f} s, then "
              f"SIGTERM (exit {code}): {len(left)} entries left in TMPDIR (goal: none){': ' if left else ''}"
              f"{' '.join(left[:5])}")
    finally:
        shutil.rmtree(folder, ignore_errors=True)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("checkvalve")
    parser.add_argument("--scratch-exports", type=int, default=1000)
    args = parser.parse_args()
    range_memory(args.checkvalve)
    aborts(args.checkvalve)
    scratch(args.checkvalve, args.scratch_exports)


if __name__ == "__main__":
    sys.exit(main())
