"""Prints the ratios of a 64-bit and a 32-bit benchmark run side by side.

A ratio is either a counter a benchmark reports against a baseline measured
in the same run (`ratio`, `vs_plain`, `vs_raw`), or a benchmark's CPU time
against its baseline benchmark (BASELINE_OF) with the same arguments.
The last column is the 32-bit ratio over the 64-bit one; the mark is 1.5.
"""
import json
import sys

MARK = 1.5
COUNTERS = ("ratio", "vs_plain", "vs_raw")
# Each benchmark family with a baseline family of its own.
BASELINE_OF = {
    "BM_AppendString": "BM_Append_Vector",
    "BM_AppendValue": "BM_Append_Vector",
    "BM_GetString": "BM_Get_Vector",
    "BM_GetValue": "BM_Get_Vector",
    "BM_SetString": "BM_Set_Vector",
    "BM_SetValue": "BM_Set_Vector",
    "BM_InsertDeleteAtZero": "BM_InsertDeleteAtZero_Vector",
    "BM_SortStrings": "BM_SortStrings_StdSort",
    "BM_SortValues": "BM_SortValues_StdSort",
    "BM_SortValuesOfStrings": "BM_SortValues_StdSort",
    "BM_SortValuesShaped": "BM_SortValuesShaped_StdSort",
    "BM_FindMatchingString": "BM_FindMatchingString_StdFind",
    "BM_FindContainingString": "BM_FindContainingString_StdFind",
    "BM_SortRowsByValue": "BM_SortRowsByValue_StdSort",
    "BM_SortRowsByValueWithTies": "BM_SortRowsByValue_StdSort",
    "BM_SortRowsByValueSortedWithTies": "BM_SortRowsByValue_StdSort",
    "BM_SortRowsByValueReversedWithTies": "BM_SortRowsByValue_StdSort",
    "BM_SortRowsByValueAllEqual": "BM_SortRowsByValue_StdSort",
    "BM_SortRowsByValueCrafted": "BM_SortRowsByValue_StdSort",
    "BM_SortRowsByText": "BM_SortRowsByText_StdSort",
    "BM_SortRowsByTextWithTies": "BM_SortRowsByText_StdSort",
    "BM_SortRowsByTextSortedWithTies": "BM_SortRowsByText_StdSort",
    "BM_SortRowsByTextReversedWithTies": "BM_SortRowsByText_StdSort",
}


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
    for name, r in runs.items():
        family, args = split(name)
        for counter in COUNTERS:
            if counter in r:
                out[f"{name} [{counter}]"] = r[counter]
        base = runs.get(BASELINE_OF.get(family, "") + "/" + args) if args else None
        if base:
            out[f"{name} [cpu vs {BASELINE_OF[family]}]"] = r["cpu_time"] / base["cpu_time"]
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
