#!/usr/bin/env python3
"""compareSets on two collections of 10,000 Stage 3 programs a side, against
the library reading both sides (the goal: at most 2 x the library's time).

    python3 bench/compare_sets.py [--build-dir build] [--count 10000] [--rounds 5]

Side a is a folder in banks of 25 (A:11 ... A:55 under 16 banks, as the
keyboard holds them, then more banks); side b is a backup (a ZIP archive) of
the same programs with 5 % changed, 2 % moved to a free slot, 1 % removed and
1 % added, so every kind of row is met. Each tool runs as its own process,
interleaved round by round; medians are printed. Only the Python standard
library is used; the trees go to a temporary folder that is removed.
"""
import argparse
import json
import os
import random
import statistics
import struct
import subprocess
import sys
import tempfile
import time
import zipfile
import zlib
from pathlib import Path

REPO = Path(__file__).resolve().parent.parent


def program(rng, bank, location):
    """A Stage 3 program with header 1 (592 bytes): parameter-like bytes after it."""
    body = bytearray(rng.getrandbits(8) for _ in range(592 - 0x2C))
    return header(body, bank, location)


def header(body, bank, location):
    head = bytearray(0x2C)
    head[0:4] = b"CBIN"
    struct.pack_into("<I", head, 0x04, 1)
    head[0x08:0x0C] = b"ns3f"
    head[0x0C], head[0x0E], head[0x10] = bank, location, 0x15
    struct.pack_into("<H", head, 0x14, 304)
    struct.pack_into("<I", head, 0x18, zlib.crc32(bytes(body)))
    return bytes(head) + bytes(body)


def make_sides(root, count, seed):
    rng = random.Random(seed)
    # The keyboard has 26 banks of 25 slots: a large collection holds several
    # programs per slot, one per folder.
    slots = [(bank, location) for bank in range(26) for location in range(25)] * (2 * count // 650 + 1)
    a = {}
    for i in range(count):
        bank, location = slots[i]
        a[(i, bank, location)] = (f"P{i:05d}.ns3f", program(rng, bank, location))
    b = dict(a)
    keys = list(a)
    rng.shuffle(keys)
    n = count // 100
    changed, moved, removed = keys[:5 * n], keys[5 * n:7 * n], keys[7 * n:8 * n]
    free = iter((count + k, *slot) for k, slot in enumerate(slots[count:]))
    for key in changed:
        name, data = b[key]
        body = bytearray(data[0x2C:])
        # Panel A's piano type (bits 5..3 of 0x48) to another of its six names.
        at = 0x48 - 0x2C
        kind = body[at] >> 3 & 7
        body[at] = body[at] & ~0x38 | ((kind + 1) % 6 if kind < 6 else 0) << 3
        b[key] = (name, header(body, *key[1:]))
    for key in moved:
        name, data = b.pop(key)
        slot = next(free)
        b[slot] = (name, header(data[0x2C:], *slot[1:]))
    for key in removed:
        del b[key]
    for i in range(n):
        slot = next(free)
        b[slot] = (f"New {i:04d}.ns3f", program(rng, *slot[1:]))
    side_a = root / "a"
    for (i, bank, _), (name, data) in a.items():
        folder = side_a / f"Folder {i // 650:02d}"
        folder.mkdir(parents=True, exist_ok=True)
        (folder / name).write_bytes(data)
    side_b = root / "b.ns3b"
    with zipfile.ZipFile(side_b, "w", zipfile.ZIP_DEFLATED) as archive:
        for (i, bank, _), (name, data) in b.items():
            archive.writestr(f"Program/Folder {i // 650:02d}/{name}", data)
    return side_a, side_b


def timed(cmd, env):
    start = time.perf_counter()
    out = subprocess.run(cmd, check=True, stdout=subprocess.PIPE, env=env).stdout
    return time.perf_counter() - start, json.loads(out)


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--build-dir", default=str(REPO / "build"))
    parser.add_argument("--count", type=int, default=10_000)
    parser.add_argument("--rounds", type=int, default=5)
    parser.add_argument("--seed", type=int, default=24)
    args = parser.parse_args()
    app = Path(args.build_dir) / "app" / "velmorin-sync"
    if not app.exists():
        app = Path(args.build_dir) / "velmorin-sync"
    with tempfile.TemporaryDirectory(prefix="velmorin-compare-") as tmp:
        root = Path(tmp)
        (root / "home").mkdir()
        env = dict(os.environ, HOME=str(root / "home"), XDG_CONFIG_HOME=str(root / "home/.config"))
        side_a, side_b = make_sides(root, args.count, args.seed)
        # The library reads a backup where it lies: b's own folder holds nothing else.
        (root / "bdir").mkdir()
        side_b = side_b.rename(root / "bdir" / side_b.name)
        compare = [str(app), "--command", "compareSets", json.dumps({"a": str(side_a), "b": str(side_b)})]
        library = [[str(app), "--command", "library", json.dumps({"dir": str(d)})] for d in (side_a, root / "bdir")]
        both, ours = [], []
        for _ in range(args.rounds):
            t1, r1 = timed(library[0], env)
            t2, r2 = timed(library[1], env)
            t3, reply = timed(compare, env)
            assert r1["total"] == args.count and r2["ok"] and reply["ok"], (r1.get("total"), reply.get("error"))
            both.append(t1 + t2)
            ours.append(t3)
        n = args.count // 100
        # A program added at a slot one was removed from is a change of that slot.
        c = reply["counts"]
        assert c["same"] == args.count - 8 * n and c["moved"] == 2 * n, c
        assert c["changed"] >= 5 * n and c["changed"] + c["added"] == 6 * n, c
        print("rows:", c)
        lib, cmp_ = statistics.median(both), statistics.median(ours)
        print(f"{args.count} programs a side, {args.rounds} rounds, medians:")
        print(f"  library of a + library of b: {lib:.3f} s")
        print(f"  compareSets a b:             {cmp_:.3f} s")
        print(f"  ratio: {cmp_ / lib:.2f} (goal: at most 2)")
        return 0 if cmp_ <= 2 * lib else 1


if __name__ == "__main__":
    sys.exit(main())
