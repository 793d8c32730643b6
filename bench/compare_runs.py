"""Prints the ratios of a 64-bit and a 32-bit benchmark run side by side.

A ratio is either a counter a benchmark reports against a baseline measured
in the same run (`ratio`, `vs_plain`, `vs_raw`), or a benchmark's CPU time
against its baseline benchmark (BASELINE_OF) with the same arguments.
The last column is the 32-bit ratio over the 64-bit one; the mark is 1.5.

With --marks first, prints instead the table of the recordset's marks in
Markdown: each database comparison and each row sort, ours and the baseline
per row in both builds, their ratios and the mark.
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
    "BM_SortRowsByValueSorted": "BM_SortRowsByValueSorted_StdSort",
    "BM_SortRowsByValueReversed": "BM_SortRowsByValueReversed_StdSort",
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


# The marks: ours at most half of the database's time at 100,000 rows; a row
# sort within 3x of std::sort of (key, position) pairs at 100,000 rows, its
# cost per row rising at most 5x from 1,000. The crafted order has no ratio
# mark: it only must not take quadratic time.
DB_MARK = 0.5
SORT_MARK = 3.0
RISE_MARK = 5.0
DB_FAMILIES = ("BM_DbBuildTable", "BM_DbSelectCount", "BM_DbSelectMaterialise", "BM_DbSortByValue",
               "BM_DbSortByLabelText", "BM_DbAggregates")
SORT_FAMILIES = ("BM_SortRowsByValue", "BM_SortRowsByValueSorted", "BM_SortRowsByValueReversed",
                 "BM_SortRowsByValueWithTies", "BM_SortRowsByValueSortedWithTies",
                 "BM_SortRowsByValueReversedWithTies", "BM_SortRowsByValueAllEqual", "BM_SortRowsByText",
                 "BM_SortRowsByTextWithTies", "BM_SortRowsByTextSortedWithTies", "BM_SortRowsByTextReversedWithTies",
                 "BM_SortRowsByValueCrafted")


def find(runs, family, rows):
    """The run of `family` at `rows` rows, whatever options its name carries."""
    for name, r in runs.items():
        parts = name.split("/")
        if parts[0] == family and len(parts) > 1 and parts[1] == str(rows):
            return r
    return None


def per_row(r, rows):
    """CPU time per row in ns."""
    scale = {"ns": 1, "us": 1e3, "ms": 1e6, "s": 1e9}[r.get("time_unit", "ns")]
    return r["cpu_time"] * scale / rows


def marks(wide, narrow):
    print("| benchmark | rows | ours 64 | baseline 64 | ratio 64 | ours 32 | baseline 32 | ratio 32 | mark | met |")
    print("|---|---|---|---|---|---|---|---|---|---|")
    missed = 0
    for family in DB_FAMILIES:
        if not all(find(runs, family, n) for runs in (wide, narrow) for n in (1000, 10000, 100000)):
            print(f"| `{family}` | not in both runs | | | | | | | | |")
            continue
        for rows in (1000, 10000, 100000):
            cells = []
            ratio = []
            for runs in (wide, narrow):
                r = find(runs, family, rows)
                cells += [f"{r['ours_ns']:.0f}", f"{r['sqlite_ns']:.0f}", f"{r['ratio']:.2f}"]
                ratio.append(r["ratio"])
            mark, met = "", ""
            if rows == 100000:
                mark = f"≤ {DB_MARK} of SQLite"
                met = "met" if max(ratio) <= DB_MARK else "missed"
                missed += met == "missed"
            print(f"| `{family}` | {rows:,} | " + " | ".join(cells) + f" | {mark} | {met} |")
    for family in SORT_FAMILIES:
        base = BASELINE_OF[family]
        if not all(find(runs, f, n) for runs in (wide, narrow) for f in (family, base) for n in (1000, 100000)):
            print(f"| `{family}` | not in both runs | | | | | | | | |")
            continue
        cost = {}
        for rows in (1000, 100000):
            cells = []
            ratio = []
            for bits, runs in (("64", wide), ("32", narrow)):
                ours, theirs = per_row(find(runs, family, rows), rows), per_row(find(runs, base, rows), rows)
                cost[bits, rows] = ours
                cells += [f"{ours:.0f}", f"{theirs:.0f}", f"{ours / theirs:.2f}"]
                ratio.append(ours / theirs)
            mark, met = "", ""
            if rows == 100000:
                rise = [cost[b, 100000] / cost[b, 1000] for b in ("64", "32")]
                if family == "BM_SortRowsByValueCrafted":
                    mark = f"not quadratic; rise {rise[0]:.1f} / {rise[1]:.1f}"
                    met = "met" if max(rise) <= RISE_MARK else "missed"
                else:
                    mark = f"≤ {SORT_MARK:g}x `std::sort`; rise {rise[0]:.1f} / {rise[1]:.1f} ≤ {RISE_MARK:g}"
                    met = "met" if max(ratio) <= SORT_MARK and max(rise) <= RISE_MARK else "missed"
                missed += met == "missed"
            print(f"| `{family}` | {rows:,} | " + " | ".join(cells) + f" | {mark} | {met} |")
    print(f"\nMarks missed: {missed}")


def main():
    if sys.argv[1] == "--marks":
        marks(load(sys.argv[2]), load(sys.argv[3]))
        return
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
