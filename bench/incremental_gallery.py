"""The incremental gallery at scale: cold, unchanged and one-part-changed runs of `checkvalve gallery`.

    python3 bench/incremental_gallery.py --checkvalve build/release/src/checkvalve --parts 10000 --jobs 2

Makes a catalogue of N parts (renamed copies of the sample parts in data/catalog/) and times, end to end
as a user runs them, into one folder: the cold gallery; the same catalogue again (nothing to render);
the catalogue with one part's face-to-face changed; and, for that part's own time, a cold gallery of
that part alone. Prints the wall times, the ratios asked of the incremental runs (unchanged ≤ 2 s, one
changed ≤ 2 s plus the part's own time) and the keying's share of the cold run (the summary's
keyingSeconds: computing and comparing keys, reading back and digesting every file written, writing the
keys; summed over the jobs' threads, so an upper bound on its share of the wall time).
"""

import argparse
import copy
import glob
import json
import os
import shutil
import subprocess
import sys
import tempfile
import time


def sample_parts(source):
    parts = []
    for path in sorted(glob.glob(os.path.join(source, "data", "catalog", "*.json"))):
        with open(path, encoding="utf-8") as f:
            parts.extend(json.load(f)["parts"])
    return parts


def write_catalogue(path, parts):
    with open(path, "w", encoding="utf-8") as out:
        json.dump({"parts": parts}, out)


def timed_gallery(checkvalve, out, catalogue, jobs, env):
    start = time.monotonic()
    done = subprocess.run([checkvalve, "gallery", out, catalogue, "--jobs", str(jobs), "--json"],
                          capture_output=True, text=True, env=env, check=False)
    wall = time.monotonic() - start
    if done.returncode not in (0, 1):
        sys.exit(f"gallery failed ({done.returncode}): {done.stderr[-2000:]}")
    summary = json.loads(done.stdout)
    return wall, summary


def main():
    options = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    options.add_argument("--checkvalve", required=True)
    options.add_argument("--parts", type=int, default=10000)
    options.add_argument("--jobs", type=int, default=2)
    options.add_argument("--source", default=os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
    args = options.parse_args()

    samples = sample_parts(args.source)
    parts = []
    for i in range(args.parts):
        part = copy.deepcopy(samples[i % len(samples)])
        part["name"] = f"{part['name']}-{i // len(samples)}"
        parts.append(part)
    work = tempfile.mkdtemp(prefix="incremental-gallery-")
    env = dict(os.environ, SOURCE_DATE_EPOCH="1700000000")
    try:
        catalogue = os.path.join(work, "parts.json")
        write_catalogue(catalogue, parts)
        out = os.path.join(work, "gallery")
        results = {}
        results["cold"] = timed_gallery(args.checkvalve, out, catalogue, args.jobs, env)
        results["unchanged"] = timed_gallery(args.checkvalve, out, catalogue, args.jobs, env)
        changed = copy.deepcopy(parts)
        # One input of the first part another value: a length with its unit, or a number in metres.
        inputs = changed[0].setdefault("inputs", {})
        face = inputs.get("FacetoFace", 0.2)
        inputs["FacetoFace"] = f"{float(face[:-2]) * 1.05:.1f}mm" if str(face).endswith("mm") else float(face) * 1.05
        write_catalogue(catalogue, changed)
        results["one changed"] = timed_gallery(args.checkvalve, out, catalogue, args.jobs, env)
        alone = os.path.join(work, "alone.json")
        write_catalogue(alone, changed[:1])
        results["that part alone"] = timed_gallery(args.checkvalve, os.path.join(work, "alone"), alone, 1, env)
    finally:
        shutil.rmtree(work, ignore_errors=True)

    cold = results["cold"][0]
    print(f"{args.parts} parts, --jobs {args.jobs}")
    for name, (wall, summary) in results.items():
        counts = f"{summary['changed']} changed, {summary['removed']} removed, {summary['unchanged']} unchanged"
        print(f"  {name:16} {wall:8.2f} s  ({wall / cold:.4f} of cold; {counts}; keying {summary['keyingSeconds']:.2f} s)")
    own = results["that part alone"][0]
    print(f"  unchanged run: {results['unchanged'][0]:.2f} s (goal 2 s)")
    print(f"  one changed: {results['one changed'][0]:.2f} s (goal 2 s + the part's own {own:.2f} s)")
    keying = results["cold"][1]["keyingSeconds"]
    print(f"  keying in the cold run: {keying:.2f} s, {100 * keying / cold:.2f}% of its wall time (goal < 2%)")


if __name__ == "__main__":
    main()
