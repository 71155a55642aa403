#!/usr/bin/env python3
"""`checkvalve gallery` into a folder that holds an earlier gallery: an unchanged catalogue writes nothing;
a changed part, pipe outside-diameter entry, option, program build or hand-edited file re-renders exactly
the parts it touches; removed parts' files go; a run cut short is completed by the next; and every result
has the bytes a cold gallery of the same inputs has.

Usage: gallery_incremental_test.py PATH/TO/checkvalve SOURCE_DIR
"""
import copy
import json
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

CV, SOURCE = os.path.abspath(sys.argv[1]), sys.argv[2]
WORK = tempfile.mkdtemp()
KEYS = "index.keys.json"
failures = []
checks = 0


def check(ok, what):
    global checks
    checks += 1
    if not ok:
        failures.append(what)
        print("FAIL", what)


# Five sample parts of other families and sizes; the last one alone has ports of nominal size 3/4".
def sample(file, name):
    with open(os.path.join(SOURCE, "data", "catalog", file)) as f:
        return next(p for p in json.load(f)["parts"] if p["name"] == name)


BASE = [sample("default-bodies.json", "default-1-nps4-cl150-swing"),
        sample("default-bodies.json", "default-0-nps2-plain-end"),
        sample("multi-port.json", "multi-port-5-nps2-cl150-covered"),
        sample("wafer-inline-cone.json", "wafer-2255-nps4-cl150"),
        sample("nipple-bonnet.json", "nipple-2858-nps3q-sw")]
NAMES = [p["name"] for p in BASE]
assert [port["npd"] for port in BASE[4]["ports"]] == [0.75, 0.75]
assert all(port["npd"] != 0.75 for part in BASE[:4] for port in part["ports"])

# A data folder of the test's own, so that its outside-diameter file can be edited; fixed STEP time stamps.
DATA = os.path.join(WORK, "data")
shutil.copytree(os.path.join(SOURCE, "data"), DATA)
ENV = dict(os.environ, SOURCE_DATE_EPOCH="1700000000", TCV_DATA_DIR=DATA,
           TCV_VIEWER_DIR=os.path.join(SOURCE, "viewer"))
counter = [0]


def fresh(name):
    counter[0] += 1
    return os.path.join(WORK, f"{name}-{counter[0]}")


def write_catalogue(parts):
    path = fresh("catalogue") + ".json"
    with open(path, "w") as f:
        json.dump({"parts": parts}, f)
    return path


def gallery(out, catalogue, *extra, program=CV, env=None):
    # The coverings are envelopes unless a row asks otherwise: cutting them is most of a gallery's time,
    # and what is rendered again does not depend on it.
    coverings = () if "--ifc-coverings" in extra else ("--ifc-coverings", "envelope")
    done = subprocess.run([program, "gallery", out, catalogue, "--json", *coverings, *extra], capture_output=True,
                          text=True, env=env or ENV, timeout=600)
    try:
        summary = json.loads(done.stdout)
    except ValueError:
        summary = {}
    return done.returncode, summary, done.stderr


def snapshot(folder):
    """Every file's identity: (inode, modification time); a file written again has another inode."""
    files = {}
    for root, _, names in os.walk(folder):
        for name in names:
            path = os.path.join(root, name)
            status = os.lstat(path)
            files[os.path.relpath(path, folder)] = (status.st_ino, status.st_mtime_ns)
    return files


def rendered_parts(before, after):
    """Names of the parts whose report file was written again or is new."""
    return {n for n in NAMES if f"{n}.json" in after and before.get(f"{n}.json") != after[f"{n}.json"]}


def same_as_cold(folder, catalogue, *extra, what, program=CV, env=None):
    cold = fresh("cold")
    code, _, err = gallery(cold, catalogue, *extra, program=program, env=env)
    check(code == 0, f"{what}: cold gallery exits {code}: {err}")
    ours = {k for k in snapshot(folder) if k != KEYS}
    theirs = {k for k in snapshot(cold) if k != KEYS}
    check(ours == theirs, f"{what}: files differ from a cold gallery: {sorted(ours ^ theirs)}")
    for name in ours & theirs:
        with open(os.path.join(folder, name), "rb") as a, open(os.path.join(cold, name), "rb") as b:
            check(a.read() == b.read(), f"{what}: {name} differs from a cold gallery's")


def counts(summary):
    return tuple(summary.get(k) for k in ("parts", "changed", "removed", "unchanged"))


# --- a cold gallery, then the same catalogue again: nothing is written -----------------------------------
catalogue = write_catalogue(BASE)
out = fresh("gallery")
code, summary, err = gallery(out, catalogue)
check(code == 0 and counts(summary) == (5, 5, 0, 0), f"cold run: exit {code}, {summary}, {err}")
before = snapshot(out)
code, summary, err = gallery(out, catalogue)
check(code == 0 and counts(summary) == (5, 0, 0, 5), f"unchanged run: exit {code}, {summary}")
check("5 parts: 0 changed, 0 removed, 5 unchanged" in err, f"unchanged run's progress line: {err}")
check(snapshot(out) == before, "an unchanged run wrote or touched files")
text = subprocess.run([CV, "gallery", out, catalogue, "--ifc-coverings", "envelope"], capture_output=True, text=True,
                      env=ENV).stdout
check("5 parts: 0 changed, 0 removed, 5 unchanged" in text, f"the summary line: {text}")


# --- each change re-renders exactly the parts it touches, and the result is a cold gallery's ------------
def edited_catalogue():
    parts = copy.deepcopy(BASE)
    parts[1]["inputs"]["FacetoFace"] = "210mm"  # was 203mm
    return write_catalogue(parts), {}, (), {NAMES[1]}


def edited_table():
    data = fresh("data")
    shutil.copytree(DATA, data)
    table = os.path.join(data, "xml", "OutsideDiameterforSymbolGraphics.xml")
    with open(table) as f:
        xml = f.read()
    row = '<NPD SizeInInch="0.75" SizeInMM="20">1.050</NPD>'
    assert row in xml
    # Far enough from the part's own pipe OD that its report warns of it: the files change too.
    with open(table, "w") as f:
        f.write(xml.replace(row, row.replace("1.050", "1.900")))
    return catalogue, {"TCV_DATA_DIR": data}, (), {NAMES[4]}


def other_option():
    return catalogue, {}, ("--ifc-geometry", "mesh"), set(NAMES)


def other_curves():
    return catalogue, {}, ("--ifc-curves", "composite"), set(NAMES)


def other_coverings():
    return catalogue, {}, ("--ifc-coverings", "cut"), set(NAMES)


def other_limit():
    return catalogue, {}, ("--triangle-limit", "1999999"), set(NAMES)


def other_build():
    # The same program with another build id: what a rebuild from changed sources or another version is.
    program = fresh("checkvalve")
    with open(CV, "rb") as f:
        binary = f.read()
    note = subprocess.run(["readelf", "-n", CV], capture_output=True, text=True).stdout
    build_id = bytes.fromhex(note.split("Build ID:")[1].split()[0])
    assert binary.count(build_id) == 1
    with open(program, "wb") as f:
        f.write(binary.replace(build_id, bytes(b ^ 0xFF for b in build_id)))
    os.chmod(program, 0o755)
    return catalogue, {}, (), set(NAMES), program


def edited_file(out):
    with open(os.path.join(out, f"{NAMES[2]}.glb"), "ab") as f:
        f.write(b"\0")
    return {NAMES[2]}


def missing_file(out):
    os.unlink(os.path.join(out, f"{NAMES[3]}.step"))
    return {NAMES[3]}


def same_bytes_again(out):
    # A file replaced by one with the same bytes (a copy, a checkout) is still the file written.
    path = os.path.join(out, f"{NAMES[0]}.json")
    with open(path, "rb") as f:
        data = f.read()
    os.unlink(path)
    with open(path, "wb") as f:
        f.write(data)
    return set()


for what, change in [("a part's field", edited_catalogue), ("an outside-diameter entry", edited_table),
                     ("--ifc-geometry", other_option), ("--ifc-curves", other_curves),
                     ("--ifc-coverings", other_coverings),
                     ("--triangle-limit", other_limit),
                     ("the program's build", other_build)]:
    out = fresh("gallery")
    gallery(out, catalogue)
    before = snapshot(out)
    catalogue_now, env_change, options, expected, *program = change()
    program = program[0] if program else CV
    env = dict(ENV, **env_change)
    code, summary, err = gallery(out, catalogue_now, *options, program=program, env=env)
    after = snapshot(out)
    check(code == 0, f"{what}: exit {code}: {err}")
    check(rendered_parts(before, after) == expected,
          f"{what}: rendered {sorted(rendered_parts(before, after))}, expected {sorted(expected)}")
    check(counts(summary) == (5, len(expected), 0, 5 - len(expected)), f"{what}: summary {summary}")
    same_as_cold(out, catalogue_now, *options, what=what, program=program, env=env)

for what, damage in [("a hand-edited file", edited_file), ("a missing file", missing_file),
                     ("a file replaced by its own bytes", same_bytes_again)]:
    out = fresh("gallery")
    gallery(out, catalogue)
    expected = damage(out)
    before = snapshot(out)
    code, summary, err = gallery(out, catalogue)
    check(code == 0 and rendered_parts(before, snapshot(out)) == expected,
          f"{what}: exit {code}, rendered {sorted(rendered_parts(before, snapshot(out)))}, expected {sorted(expected)}")
    same_as_cold(out, catalogue, what=what)

# --- a removed part's files go; --force renders everything ------------------------------------------------
out = fresh("gallery")
gallery(out, catalogue)
smaller = write_catalogue(BASE[:1] + BASE[2:])
before = snapshot(out)
code, summary, err = gallery(out, smaller)
check(code == 0 and counts(summary) == (4, 0, 1, 4), f"removal: exit {code}, {summary}")
check(not [f for f in os.listdir(out) if f.startswith(NAMES[1])], "removal: the removed part's files stay")
check(rendered_parts(before, snapshot(out)) == set(), "removal: other parts were written again")
same_as_cold(out, smaller, what="removal")
before = snapshot(out)
code, summary, err = gallery(out, smaller, "--force")
check(code == 0 and counts(summary) == (4, 4, 0, 0), f"--force: exit {code}, {summary}")
check(rendered_parts(before, snapshot(out)) == set(NAMES) - {NAMES[1]}, "--force left parts unwritten")

# --- keys that cannot be trusted: unreadable, or naming files outside the gallery -------------------------
out = fresh("gallery")
gallery(out, catalogue)
outside = os.path.join(WORK, "outside.glb")
open(outside, "w").close()
for what, text in [("garbage keys", "{not json"),
                   ("keys naming a file outside", json.dumps({"parts": [
                       {"stem": "gone", "key": "0", "item": {}, "files": [
                           {"name": "../outside.glb", "digest": "0", "size": 0, "inode": 0, "modified": 0,
                            "changed": 0}]}]}))]:
    with open(os.path.join(out, KEYS), "w") as f:
        f.write(text)
    code, summary, err = gallery(out, catalogue)
    check(code == 0 and counts(summary) == (5, 5, 0, 0), f"{what}: exit {code}, {summary}, {err}")
    check(os.path.exists(outside), f"{what}: a file outside the gallery was removed")
    same_as_cold(out, catalogue, what=what)

# --- a run cut short (SIGKILL, Ctrl-C) is completed by the next one --------------------------------------
many = []
for k in range(12):
    for part in BASE:
        copied = copy.deepcopy(part)
        copied["name"] = f"{part['name']}-{k}"
        many.append(copied)
many_catalogue = write_catalogue(many)
for stop in (signal.SIGKILL, signal.SIGINT):
    out = fresh("cut")
    os.makedirs(out)
    # A staging file another cut-short run left behind.
    with open(os.path.join(out, f".{many[0]['name']}.glb.partial-abcdefghijkl"), "w") as f:
        f.write("half")
    run = subprocess.Popen([CV, "gallery", out, many_catalogue, "--json", "--ifc-coverings", "envelope"],
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, env=ENV, start_new_session=True)
    deadline = time.monotonic() + 120
    while time.monotonic() < deadline and len([f for f in os.listdir(out) if f.endswith(".ifc")]) < 4:
        time.sleep(0.02)
    os.killpg(run.pid, stop)
    code = run.wait(timeout=60)
    check(code in (-signal.SIGKILL, 130), f"{stop.name}: cut-short run exits {code}")
    code, summary, err = gallery(out, many_catalogue)
    check(code == 0 and summary.get("parts") == 60 and summary.get("removed") == 0,
          f"{stop.name}: completing run: exit {code}, {summary}, {err}")
    if stop == signal.SIGINT:
        # The parts finished before Ctrl-C keep their keys.
        check(summary.get("unchanged", 0) >= 1, f"SIGINT: no part kept from the cut-short run: {summary}")
    check(not [f for f in os.listdir(out) if ".partial-" in f], f"{stop.name}: staging files left")
    same_as_cold(out, many_catalogue, what=f"completed after {stop.name}")

shutil.rmtree(WORK, ignore_errors=True)
print(f"{checks - len(failures)} passed, {len(failures)} failed")
sys.exit(1 if failures else 0)
