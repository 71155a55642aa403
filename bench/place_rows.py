#!/usr/bin/env python3
"""Writes the placements of the benchmark case Place/rows:10000 (bench/main.cpp) to stdout: 10,000 valves
cycling through the sample parts, 100 to a row 1.5 m apart, at three heights, along four axis directions.

Usage: place_rows.py PATH/TO/checkvalve > placements.csv
       checkvalve place placements.csv --ifc plant.ifc        (or plant.ifczip)
"""
import subprocess
import sys

FRAMES = ["1,0,0,0,0,1", "0,1,0,0,0,1", "0,0,1,1,0,0", "-1,0,0,0,0,1"]


def main():
    listing = subprocess.run([sys.argv[1], "samples"], check=True, capture_output=True, text=True).stdout
    parts = [line.split()[0] for line in listing.splitlines()[1:] if line.strip()]
    print("instance,part,x,y,z,dirx,diry,dirz,upx,upy,upz")
    for i in range(10000):
        print("V-%d,%s,%g,%g,%g,%s" % (i + 1, parts[i % len(parts)], (i % 100) * 1.5, (i // 100) * 1.5,
                                       3.2 + (i % 3) * 0.8, FRAMES[i % 4]))


if __name__ == "__main__":
    main()
