"""The gallery on Dask against `checkvalve gallery`: wall time of N parts (renamed copies of the samples).

    PYTHONPATH=build/release/python /usr/bin/python3 bench/dask_gallery.py \
        --checkvalve build/release/src/checkvalve --parts 10000 --workers 1 2 4

Times, end to end as a user runs them (catalogue read, cluster start and stop, index written):
`checkvalve gallery OUT CATALOG --jobs J` for each J in --jobs, and `python3 -m tarncheckvalve.distributed
gallery OUT CATALOG --workers W` for each W in --workers, and prints parts per second and the overhead
of Dask against the command line with as many jobs as workers. Each run writes into a fresh folder.
"""

import argparse
import copy
import json
import os
import shutil
import subprocess
import sys
import tempfile
import time

import tarncheckvalve as tcv


def catalogue(path, count):
    samples = tcv.samples()
    parts = []
    for i in range(count):
        part = copy.deepcopy(samples[i % len(samples)])
        part["name"] = f"{part['name']}-{i // len(samples)}"
        parts.append(part)
    with open(path, "w", encoding="utf-8") as out:
        json.dump({"parts": parts}, out)


def timed(command, env=None):
    start = time.monotonic()
    done = subprocess.run(command, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True, env=env,
                          check=False)
    wall = time.monotonic() - start
    if done.returncode not in (0, 1):
        sys.exit(f"{' '.join(command)} failed ({done.returncode}): {done.stderr[-2000:]}")
    return wall


def main():
    options = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    options.add_argument("--checkvalve", required=True)
    options.add_argument("--parts", type=int, default=10000)
    options.add_argument("--jobs", type=int, nargs="+", default=[2])
    options.add_argument("--workers", type=int, nargs="+", default=[1, 2])
    options.add_argument("--json", help="also write the figures to this file")
    args = options.parse_args()

    scratch = tempfile.mkdtemp(prefix="dask-bench-")
    figures = {"parts": args.parts, "cores": os.cpu_count(), "checkvalve": {}, "dask": {}}
    try:
        path = os.path.join(scratch, "parts.json")
        catalogue(path, args.parts)
        env = dict(os.environ)
        env["PYTHONPATH"] = os.pathsep.join(p for p in sys.path if p)
        for jobs in args.jobs:
            out = os.path.join(scratch, f"cli-{jobs}")
            wall = timed([args.checkvalve, "gallery", out, path, "--jobs", str(jobs)])
            figures["checkvalve"][jobs] = wall
            print(f"checkvalve gallery --jobs {jobs}: {wall:.1f} s, {args.parts / wall:.1f} parts/s", flush=True)
            shutil.rmtree(out)
        for workers in args.workers:
            out = os.path.join(scratch, f"dask-{workers}")
            wall = timed([sys.executable, "-m", "tarncheckvalve.distributed", "gallery", out, path,
                          "--workers", str(workers)], env)
            figures["dask"][workers] = wall
            line = f"dask LocalCluster --workers {workers}: {wall:.1f} s, {args.parts / wall:.1f} parts/s"
            if workers in figures["checkvalve"]:
                line += f", {100 * (wall / figures['checkvalve'][workers] - 1):+.1f}% against --jobs {workers}"
            print(line, flush=True)
            shutil.rmtree(out)
    finally:
        shutil.rmtree(scratch, ignore_errors=True)
    if args.json:
        with open(args.json, "w", encoding="utf-8") as out:
            json.dump(figures, out, indent=2)


if __name__ == "__main__":
    main()
