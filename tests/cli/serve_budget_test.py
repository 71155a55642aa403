#!/usr/bin/env python3
"""Exports that would take too long do not keep a sane export from succeeding: `checkvalve serve` with a
short time limit gets four heavy exports at once, then a sane one. Loopback only, bounded in count and
time; the server runs in its own process group and is ended on exit.

Usage: serve_budget_test.py PATH/TO/checkvalve"""
import json
import os
import re
import signal
import subprocess
import sys
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

print(f"{passes} passed, {len(failures)} failed")
sys.exit(1 if failures else 0)
