"""Prints the ratios of a 64-bit and a 32-bit benchmark run side by side.

A ratio is either a counter a benchmark reports against a baseline measured
in the same run (`ratio`, `vs_plain`, `vs_raw`), or a benchmark's CPU time
against its baseline benchmark with the same arguments: a name `P_Base/args`
(`_Vector`, `_StdSort`, `_StdFind`) is the baseline of every `P.../args`.
The last column is the 32-bit ratio over the 64-bit one; the mark is 1.5.
"""
import json
import sys

MARK = 1.5
COUNTERS = ("ratio", "vs_plain", "vs_raw")
BASELINES = ("_Vector", "_StdSort", "_StdFind")


def load(path):
    with open(path) as f:
        runs = json.load(f)["benchmarks"]
    # With repetitions, the medians stand for the runs.
    medians = [r for r in runs if r.get("aggregate_name") == "median"]
    if medians:
        return {r["run_name"]: r for r in medians}
    return {r["name"]: r for r in runs if r.get("run_type", "iteration") == "iteration"}


def split(name):
    family, _, args = name.partition("/")
    return family, args


def ratios(runs):
    out = {}
    baselines = {}
    for name, r in runs.items():
        family, args = split(name)
        for suffix in BASELINES:
            if family.endswith(suffix):
                baselines.setdefault(args, []).append((family[: -len(suffix)], r["cpu_time"]))
    for name, r in runs.items():
        family, args = split(name)
        for counter in COUNTERS:
            if counter in r:
                out[f"{name} [{counter}]"] = r[counter]
        if any(family.endswith(s) for s in BASELINES):
            continue
        matches = [(len(p), t) for p, t in baselines.get(args, []) if family.startswith(p)]
        if matches:
            out[f"{name} [cpu vs baseline]"] = r["cpu_time"] / max(matches)[1]
    return out


def main():
    wide, narrow = ratios(load(sys.argv[1])), ratios(load(sys.argv[2]))
    names = [n for n in wide if n in narrow]
    width = max((len(n) for n in names), default=10)
    print(f"{'ratio':<{width}}  {'64-bit':>8}  {'32-bit':>8}  {'32/64':>6}")
    over = 0
    for n in names:
        q = narrow[n] / wide[n] if wide[n] else float("inf")
        flag = "  over the mark" if q > MARK else ""
        over += q > MARK
        print(f"{n:<{width}}  {wide[n]:8.3f}  {narrow[n]:8.3f}  {q:6.2f}{flag}")
    print(f"{len(names)} ratios, {over} with a 32-bit ratio over {MARK}x its 64-bit one")


if __name__ == "__main__":
    main()
