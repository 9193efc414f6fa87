#!/usr/bin/env bash
# The whole performance suite: norvane_bench with the large lists, the Python
# peer, whole-process timings with hyperfine and the peak memory of a list of
# 1,000,000 notes; then the ratios. Results go to build/bench-results/.
#
#   bench/run_suite.sh            (REPS=5 by default)
set -euo pipefail
cd "$(dirname "$0")/.."
REPS=${REPS:-5}
OUT=build/bench-results
mkdir -p "$OUT"

# The build's packages, hyperfine, and the peer's cryptography package for
# Debian's python3 (procps for uptime).
scripts/install-deps.sh hyperfine python3 python3-cryptography procps
cmake --preset release >/dev/null
cmake --build build/release -j2 --target norvane_bench norvane_process_floor \
  norvane_list_memory seed_notes >/dev/null
BIN=build/release

echo "load before: $(uptime)"
NORVANE_BENCH_FULL=1 "$BIN/bench/norvane_bench" --benchmark_repetitions="$REPS" \
  --benchmark_report_aggregates_only=true --benchmark_out="$OUT/bench.json" \
  --benchmark_out_format=json
/usr/bin/python3 bench/peer/peer.py --seed --list 50 10000 100000 --repetitions "$REPS" |
  tee "$OUT/peer.txt"

# Whole process on a 50-note database of its own.
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
export NORVANE_DATA_DIR="$WORK" XDG_DATA_HOME="$WORK/xdg"
"$BIN/src/bin/seed_notes/seed_notes" >/dev/null
DB="$WORK/Norvane/norvane.db"
cp "$DB" "$WORK/template.db"
hyperfine -N --warmup 20 --runs 200 --export-json "$OUT/process.json" \
  -n floor "$BIN/bench/norvane_process_floor $DB" \
  -n stats-only "$BIN/src/bin/seed_notes/seed_notes --stats-only"
hyperfine -N --warmup 20 --runs 200 --export-json "$OUT/process-full.json" \
  --prepare "cp $WORK/template.db $DB" \
  -n floor "$BIN/bench/norvane_process_floor $DB" \
  -n full-run "$BIN/src/bin/seed_notes/seed_notes"
unset NORVANE_DATA_DIR XDG_DATA_HOME

# Peak memory of listing 1,000,000 notes, in a process of its own.
NORVANE_BENCH_HOME="$WORK/memory" "$BIN/bench/norvane_list_memory" "$WORK/m.db" 1000000
NORVANE_BENCH_HOME="$WORK/memory" "$BIN/bench/norvane_list_memory" "$WORK/m.db" 1000000 |
  tee "$OUT/memory.txt"
echo "load after: $(uptime)"

/usr/bin/python3 - "$OUT" <<'EOF'
import json, sys
out = sys.argv[1]
runs = json.load(open(out + "/bench.json"))["benchmarks"]
# One repetition has no aggregates: its single run stands for the median.
bench = ({b["run_name"]: b for b in runs if b.get("aggregate_name") == "median"} or
         {b["run_name"]: b for b in runs if b.get("run_type") == "iteration"})
def per_note_ns(name, items):
    b = bench[name]
    scale = {"ns": 1, "us": 1e3, "ms": 1e6, "s": 1e9}[b["time_unit"]]
    return b["real_time"] * scale / items
print("\nmedians of %d repetitions, wall time per note" % bench[next(iter(bench))]["repetitions"])
for n in (50, 10000, 100000, 1000000):
    ours, floor = per_note_ns("BM_ListNotes/%d" % n, n), per_note_ns("BM_ListNotesFloor/%d" % n, n)
    print("list %8d: %8.0f ns/note, floor %8.0f ns/note, ratio %.3f" % (n, ours, floor, ours / floor))
seed, seed_floor = per_note_ns("BM_SeedDemoNotes", 50), per_note_ns("BM_SeedFloor", 50)
print("seed 50: %.0f ns/note, floor %.0f ns/note, ratio %.3f" % (seed, seed_floor, seed / seed_floor))
peer = {}
for line in open(out + "/peer.txt"):
    name, n, ns = line.split()
    peer[(name, int(n))] = float(ns)
for n in (50, 10000, 100000):
    p = peer[("peer_list", n)]
    print("peer list %6d: %.0f ns/note, %.2f x slower than norvane" % (n, p, p / per_note_ns("BM_ListNotes/%d" % n, n)))
p = peer[("peer_seed", 50)]
print("peer seed 50: %.0f ns/note, %.2f x slower than norvane" % (p, p / seed))
for f, name in (("process.json", "stats-only"), ("process-full.json", "full-run")):
    r = {x["command"]: x for x in json.load(open(out + "/" + f))["results"]}
    print("process %s: median %.2f ms vs floor %.2f ms, ratio %.3f (means %.2f / %.2f ms)" % (
        name, r[name]["median"] * 1e3, r["floor"]["median"] * 1e3,
        r[name]["median"] / r["floor"]["median"], r[name]["mean"] * 1e3, r["floor"]["mean"] * 1e3))
EOF
