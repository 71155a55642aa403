#!/usr/bin/python3
"""Ours against the FreeCAD peer, part by part and family by family.

Reads the timings of `checkvalve bench --json` (ours: median Physical + median Insulation, kernel
geometry built) and of freecad_shapes.py (the peer: the same shapes built by FreeCAD's Part module, with
the same clock), prints a table per part and a summary per family (the sample name's prefix), and writes
the same as CSV and JSON.

  compare.py OURS.json PEER.json OUT.csv OUT.json
"""

import csv
import json
import re
import statistics
import sys

# The goal: our evaluation at most this fraction of the peer's time.
GOAL = 0.7


def family_of(part):
    """The family of a sample part: its name up to the first number ("multi-port-2381-..." -> "multi-port")."""
    match = re.match(r"(.+?)-\d", part)
    return match.group(1) if match else part


def load(path, what):
    try:
        with open(path, encoding="utf-8") as f:
            document = json.load(f)
        return {entry["part"]: entry for entry in document["parts"]}, document
    except (OSError, ValueError, KeyError, TypeError) as error:
        sys.exit(f"compare: {path} is not the JSON of {what} ({error})")


def main(argv):
    if len(argv) != 4:
        sys.exit("usage: compare.py OURS.json PEER.json OUT.csv OUT.json")
    ours, ours_doc = load(argv[0], "`checkvalve bench --json`")
    peer, peer_doc = load(argv[1], "freecad_shapes.py")
    rows = []
    for part, our in ours.items():
        row = {
            "part": part,
            "family": family_of(part),
            "ours_us": round(our["physical_us"] + our["insulation_us"], 1),
            "ours_physical_us": our["physical_us"],
            "ours_insulation_us": our["insulation_us"],
            "peer_us": None,
            "peer_physical_us": None,
            "peer_insulation_us": None,
            "peer_ports_us": None,
            "ratio": None,
            "status": "ok" if our.get("ok", True) else "ours failed",
        }
        theirs = peer.get(part)
        if theirs is None:
            row["status"] = "no peer timing"
        elif theirs.get("status") != "ok":
            row["status"] = theirs.get("status", "peer failed")
        elif row["status"] == "ok":
            row["peer_physical_us"] = theirs["physical_us"]
            row["peer_insulation_us"] = theirs["insulation_us"]
            row["peer_ports_us"] = theirs["ports_us"]
            row["peer_us"] = round(theirs["physical_us"] + theirs["insulation_us"], 1)
            row["ratio"] = round(row["ours_us"] / row["peer_us"], 3)
        rows.append(row)

    print(f"{'part':40} {'family':14} {'ours us':>9} {'peer us':>9} {'ours/peer':>9}")
    for row in rows:
        peer_text = f"{row['peer_us']:9.1f}" if row["peer_us"] is not None else f"{row['status']:>9}"
        ratio_text = f"{row['ratio']:9.2f}" if row["ratio"] is not None else f"{'-':>9}"
        print(f"{row['part']:40} {row['family']:14} {row['ours_us']:9.1f} {peer_text} {ratio_text}")

    families = []
    for family in dict.fromkeys(row["family"] for row in rows):
        timed = [row for row in rows if row["family"] == family and row["ratio"] is not None]
        entry = {"family": family, "parts": sum(row["family"] == family for row in rows), "timed": len(timed)}
        if timed:
            worst = max(timed, key=lambda row: row["ratio"])
            entry.update(
                {
                    "ours_median_us": round(statistics.median(row["ours_us"] for row in timed), 1),
                    "peer_median_us": round(statistics.median(row["peer_us"] for row in timed), 1),
                    "median_ratio": round(statistics.median(row["ratio"] for row in timed), 3),
                    "worst_ratio": worst["ratio"],
                    "worst_part": worst["part"],
                    "meets_goal": worst["ratio"] <= GOAL,
                }
            )
        families.append(entry)

    print(f"\n{'family':14} {'parts':>5} {'ours median us':>15} {'peer median us':>15} {'median ratio':>13} "
          f"{'worst ratio':>12}  worst part")
    for entry in families:
        if not entry["timed"]:
            print(f"{entry['family']:14} {entry['parts']:5} {'no part timed':>15}")
            continue
        print(f"{entry['family']:14} {entry['parts']:5} {entry['ours_median_us']:15.1f} "
              f"{entry['peer_median_us']:15.1f} {entry['median_ratio']:13.2f} {entry['worst_ratio']:12.2f}  "
              f"{entry['worst_part']}")
    timed = [row for row in rows if row["ratio"] is not None]
    untimed = [row for row in rows if row["ratio"] is None]
    meeting = [entry["family"] for entry in families if entry.get("meets_goal")]
    summary = {
        "parts": len(rows),
        "timed": len(timed),
        "median_ratio": round(statistics.median(row["ratio"] for row in timed), 3) if timed else None,
        "parts_within_goal": sum(row["ratio"] <= GOAL for row in timed),
        "families_within_goal": meeting,
        "families_missing_goal": [entry["family"] for entry in families if entry["timed"] and not entry["meets_goal"]],
    }
    print(f"\nall: {summary['timed']} of {summary['parts']} parts timed, median ours/peer "
          f"{summary['median_ratio']}, {summary['parts_within_goal']} within the goal of {GOAL}; "
          f"families whose worst part meets it: {', '.join(meeting) or 'none'}")
    for row in untimed:
        print(f"not timed: {row['part']}: {row['status']}")

    with open(argv[2], "w", newline="", encoding="utf-8") as f:
        writer = csv.DictWriter(f, fieldnames=list(rows[0].keys()) if rows else ["part"])
        writer.writeheader()
        writer.writerows(rows)
    document = {
        "goal_ratio": GOAL,
        "clock": "thread-cpu",
        "ours_repeat": ours_doc.get("repeat"),
        "peer_rounds": peer_doc.get("rounds"),
        "peer": f"FreeCAD {peer_doc.get('freecad')} Part (OCCT {peer_doc.get('occt')})",
        "summary": summary,
        "families": families,
        "parts": rows,
    }
    with open(argv[3], "w", encoding="utf-8") as f:
        f.write(json.dumps(document, indent=2) + "\n")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
