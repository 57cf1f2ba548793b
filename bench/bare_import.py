#!/usr/bin/env python3
"""kelmot-data import of Kelmot's own CSV against a bare Python csv + sqlite3 executemany of the
same rows into the same empty store, one transaction, synchronous=FULL like the store.

    build-bench/bench/kelmot_bench_import --write-files DIR
    python3 bench/bare_import.py DIR build-bench/src/datatool/kelmot-data [runs]

Prints the best wall-clock time of each over the runs (the machine is shared).
"""
import csv
import shutil
import sqlite3
import subprocess
import sys
import tempfile
import time
from pathlib import Path


def bare(csv_path, store):
    db = sqlite3.connect(store, isolation_level=None)
    db.execute("PRAGMA synchronous=FULL")
    start = time.perf_counter()
    with open(csv_path, newline="", encoding="utf-8-sig") as f:
        rows = [(r[2], r[1], float(r[3]), float(r[5]), float(r[6]))
                for r in csv.reader(f) if r and r[0] == "Mileage"]
    db.execute("BEGIN IMMEDIATE")
    db.executemany('INSERT INTO "Mileage" VALUES (?, ?, ?, ?, ?, 0)', rows)
    db.execute("COMMIT")
    took = time.perf_counter() - start
    db.close()
    return took, len(rows)


def kelmot(csv_path, store, tool):
    start = time.perf_counter()
    subprocess.run([tool, "--store", store, "import", csv_path], check=True,
                   stdout=subprocess.DEVNULL)
    return time.perf_counter() - start


def main():
    files, tool = Path(sys.argv[1]), sys.argv[2]
    runs = int(sys.argv[3]) if len(sys.argv) > 3 else 5
    csv_path = str(files / "fillups.csv")
    best_bare = best_kelmot = float("inf")
    for _ in range(runs):
        with tempfile.TemporaryDirectory() as work:
            store = str(Path(work) / "Mileage.mdb")
            shutil.copy(files / "empty.mdb", store)
            took, count = bare(csv_path, store)
            best_bare = min(best_bare, took)
        with tempfile.TemporaryDirectory() as work:
            store = str(Path(work) / "Mileage.mdb")
            shutil.copy(files / "empty.mdb", store)
            best_kelmot = min(best_kelmot, kelmot(csv_path, store, tool))
    print(f"rows: {count}")
    print(f"bare Python csv + sqlite3: {best_bare * 1000:.0f} ms")
    print(f"kelmot-data import:        {best_kelmot * 1000:.0f} ms")
    print(f"ratio: {best_kelmot / best_bare:.2f}")


if __name__ == "__main__":
    main()
