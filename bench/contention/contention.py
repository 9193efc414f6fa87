#!/usr/bin/python3
"""seed_notes --clear beside an application that writes hard.

A second process stands in for the desktop application: it takes the write
lock (BEGIN IMMEDIATE), holds it 50-400 ms, commits, and takes it again
0-50 ms later, for as long as the run lasts. Meanwhile `seed_notes --clear`
runs in a loop on the same database, and each run's wall time and exit status
are recorded. The report gives, per program: runs, failures, and the p50, p95
and maximum run time.

    /usr/bin/python3 bench/contention/contention.py --seconds 600 \\
        build/release/src/bin/seed_notes/seed_notes

Several programs (for instance today's build and another) take turns, run
after run, beside the same writer, so that they meet the same load:

    /usr/bin/python3 bench/contention/contention.py --seconds 600 \\
        new=build/release/src/bin/seed_notes/seed_notes old=/path/to/other/seed_notes

A program whose name ends in .exe is run under Wine (`--wine`, default
/usr/lib/wine/wine64, in the prefix of WINEPREFIX), with the database folder
handed over as a Windows path; the writer stays a Linux process, on the same
file. The database and the key of body protection live in a temporary folder
that is removed at the end. The run stops by itself after --seconds (a run of
seed_notes that is still going then is waited for, up to --run-timeout), and
the writer is stopped on every way out.
"""

import argparse
import os
import random
import signal
import sqlite3
import subprocess
import sys
import tempfile
import time


def writer(db_path, seconds, seed):
    """The application: write lock held 50-400 ms, taken again 0-50 ms later."""
    rng = random.Random(seed)
    conn = sqlite3.connect(db_path, timeout=60.0, isolation_level=None)
    deadline = time.monotonic() + seconds
    transactions = 0
    # Stop between transactions when the driver says so.
    stop = []
    signal.signal(signal.SIGTERM, lambda *_: stop.append(True))
    while not stop and time.monotonic() < deadline:
        conn.execute("BEGIN IMMEDIATE")
        time.sleep(rng.uniform(0.050, 0.400))
        conn.execute("COMMIT")
        transactions += 1
        time.sleep(rng.uniform(0.0, 0.050))
    conn.close()
    print(transactions, flush=True)


def percentile(sorted_ms, p):
    """Nearest-rank percentile."""
    if not sorted_ms:
        return float("nan")
    rank = max(1, -(-p * len(sorted_ms) // 100))
    return sorted_ms[int(rank) - 1]


def main():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("programs", nargs="*", help="[name=]path of seed_notes")
    parser.add_argument("--seconds", type=float, default=60.0, help="length of the run")
    parser.add_argument("--run-timeout", type=float, default=60.0,
                        help="longest that one run of seed_notes may take")
    parser.add_argument("--seed", type=int, default=1, help="seed of the writer's timings")
    parser.add_argument("--wine", default="/usr/lib/wine/wine64")
    parser.add_argument("--writer", nargs=2, metavar=("DB", "SECONDS"), help=argparse.SUPPRESS)
    args = parser.parse_args()
    if args.writer:
        writer(args.writer[0], float(args.writer[1]), args.seed)
        return 0
    if not args.programs:
        parser.error("name at least one seed_notes program")

    programs = []
    for given in args.programs:
        name, _, path = given.rpartition("=")
        path = os.path.abspath(path)
        programs.append((name or os.path.basename(path), path))

    with tempfile.TemporaryDirectory(prefix="norvane-contention-") as work:
        env = dict(os.environ, NORVANE_DATA_DIR=work, XDG_DATA_HOME=os.path.join(work, "xdg"))
        db_path = os.path.join(work, "Norvane", "norvane.db")

        def command(path):
            if path.endswith(".exe"):
                return [args.wine, path, "--clear"], dict(env, NORVANE_DATA_DIR="Z:" + work)
            return [path, "--clear"], env

        # The database is made, with its 50 notes, before the writer starts.
        for _, path in programs:
            cmd, cmd_env = command(path)
            subprocess.run(cmd, env=cmd_env, stdout=subprocess.DEVNULL, check=True,
                           timeout=args.run_timeout)

        times = {name: [] for name, _ in programs}
        failures = {name: [] for name, _ in programs}
        app = subprocess.Popen([sys.executable, os.path.abspath(__file__), "--seed", str(args.seed),
                                "--writer", db_path, str(args.seconds + args.run_timeout)],
                               stdout=subprocess.PIPE, text=True)
        try:
            time.sleep(0.5)  # the writer has begun its first transaction
            deadline = time.monotonic() + args.seconds
            turn = 0
            while time.monotonic() < deadline:
                name, path = programs[turn % len(programs)]
                turn += 1
                cmd, cmd_env = command(path)
                start = time.monotonic()
                try:
                    r = subprocess.run(cmd, env=cmd_env, stdout=subprocess.DEVNULL,
                                       stderr=subprocess.PIPE, text=True, timeout=args.run_timeout)
                    status, err = r.returncode, r.stderr.strip()
                except subprocess.TimeoutExpired:
                    status, err = "timeout", ""
                elapsed_ms = (time.monotonic() - start) * 1000.0
                times[name].append(elapsed_ms)
                if status != 0:
                    failures[name].append("%s after %.0f ms: %s" % (status, elapsed_ms, err))
        finally:
            app.send_signal(signal.SIGTERM)
            try:
                out, _ = app.communicate(timeout=10)
            except subprocess.TimeoutExpired:
                app.kill()
                out, _ = app.communicate()
        transactions = out.strip() or "?"

    print("%.0f s beside a writer (write lock held 50-400 ms, taken again 0-50 ms later; "
          "%s transactions), seed %d" % (args.seconds, transactions, args.seed))
    print("%-12s %6s %8s %9s %9s %9s" % ("program", "runs", "failures", "p50 ms", "p95 ms",
                                         "max ms"))
    stats = {}
    for name, _ in programs:
        ms = sorted(times[name])
        stats[name] = (percentile(ms, 50), percentile(ms, 95), ms[-1] if ms else float("nan"))
        print("%-12s %6d %8d %9.1f %9.1f %9.1f" % ((name, len(ms), len(failures[name])) +
                                                   stats[name]))
    if len(programs) > 1:
        base = programs[-1][0]
        for name, _ in programs[:-1]:
            print("%s / %s: p50 %.2f, p95 %.2f, max %.2f" % (
                (name, base) + tuple(a / b for a, b in zip(stats[name], stats[base]))))
    for name, _ in programs:
        for line in failures[name][:5]:
            print("%s failed: %s" % (name, line))
    return 1 if any(failures.values()) else 0


if __name__ == "__main__":
    sys.exit(main())
