#!/usr/bin/env python3
"""The install's archive writer (minizip's container with its Zip64 records
mended after, deflated on all cores) weighed against libarchive's zip writer.

    python3 bench/zip_weigh.py [--build-dir build] [--rounds 5] [--big-rounds 3] [--no-big] [--quick]

Builds velmorin_zip_weigh, makes four trees from a fixed seed under $TMPDIR
(the install's program folder, 170 MB; the zip command's mixed folder, 315 MB;
70,000 small programs; one sparse 4.5 GiB file), archives each tree every way,
interleaved round by round (the order alternates; a way that takes over 60 s on a tree runs there once),
and prints the medians.
Every archive is checked once with `unzip -tq`, with Python's zipfile (names,
sizes, modes, links, contents of a sample) and with a reading of its own of
the end records: whether Zip64 records are there where the format needs them.
Only the Python standard library is used.
"""
import argparse
import os
import random
import resource
import shutil
import statistics
import struct
import subprocess
import sys
import tempfile
import time
import zipfile
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
import run  # noqa: E402  the trees of the main benchmark, made the same way

WAYS = ["ours", "libarchive", "libarchive-heap"]
ONCE_OVER = 60  # seconds: a way this slow on a tree runs there only once
MAX16, MAX32 = 0xFFFF, 0xFFFFFFFF


def add_extras(folder, rng):
    """What every tree holds besides its files: a UTF-8 name, a link, an empty folder."""
    run.write(folder / "Großer Flügel – Ñandú.ns3f", rng.randbytes(3000))
    os.symlink("Großer Flügel – Ñandú.ns3f", folder / "latest.ns3f")
    (folder / "empty").mkdir()


def make_trees(tmp, quick, big, seed):
    rng = random.Random(seed)
    trees = {}
    t = tmp / "programs"
    run.make_program_folder(t, 200 if quick else 2000, [12 << 20] if quick else [24 << 20, 32 << 20, 40 << 20], seed)
    add_extras(t, rng)
    trees["install's program folder"] = t
    t = tmp / "mixed"
    run.make_mixed_folder(t, (30 if quick else 300) << 20, seed)
    add_extras(t, rng)
    trees["zip command's mixed folder"] = t
    t = tmp / "many"
    many = 7_000 if quick else 70_000
    run.make_small_programs(t, many, seed)
    add_extras(t, rng)
    trees[f"{many:,} small programs"] = t
    if big:
        t = tmp / "big"
        t.mkdir()
        run.sparse(t / "Sample Library.nsmp4", (9 << 29))  # 4.5 GiB of zeros, no blocks on disk
        add_extras(t, rng)
        trees["one 4.5 GiB file"] = t
    return trees


def expected_entries(folder):
    """name -> lstat, as both writers name them (folders end in '/')."""
    out = {}
    for top, dirs, files in os.walk(folder):
        for name in dirs + files:
            path = Path(top) / name
            rel = str(path.relative_to(folder))
            st = os.lstat(path)
            out[rel + "/" if run.stat_is_dir(st) else rel] = st
    return out


def end_records(archive):
    """The end records as written, read without zipfile: entry counts, Zip64 records,
    entries whose 'made by' is not Unix, entries with Zip64 fields."""
    with open(archive, "rb") as f:
        f.seek(0, os.SEEK_END)
        length = f.tell()
        f.seek(max(0, length - 66_000))
        tail_at = f.tell()
        tail = f.read()
        at = tail.rfind(b"PK\x05\x06")
        count16, cd_size, cd_offset = struct.unpack("<4x6xHII", tail[at:at + 20])
        info = {"count16": count16, "zip64_end": False}
        locator = at - 20
        if locator >= 0 and tail[locator:locator + 4] == b"PK\x06\x07":
            (z64_at,) = struct.unpack("<Q", tail[locator + 8:locator + 16])
            f.seek(z64_at)
            rec = f.read(56)
            if rec[:4] == b"PK\x06\x06":
                info["zip64_end"] = True
                count16 = None
                _, _, count64, cd_size, cd_offset = struct.unpack("<QQQQQ", rec[16:56])
                info["count64"] = count64
        f.seek(cd_offset)
        cd = f.read(cd_size)
    walked, not_unix, zip64_fields = 0, 0, 0
    i = 0
    while i + 46 <= len(cd) and cd[i:i + 4] == b"PK\x01\x02":
        made_by_host = cd[i + 5]
        n, m, k = struct.unpack("<HHH", cd[i + 28:i + 34])
        extra = cd[i + 46 + n:i + 46 + n + m]
        j = 0
        while j + 4 <= len(extra):
            tag, size = struct.unpack("<HH", extra[j:j + 4])
            zip64_fields += tag == 1
            j += 4 + size
        not_unix += made_by_host != 3
        walked += 1
        i += 46 + n + m + k
    info.update(walked=walked, not_unix=not_unix, zip64_fields=zip64_fields)
    # Big entries need only their own Zip64 fields (checked by zipfile's sizes);
    # the end records need Zip64 when their own fields overflow.
    needed = walked >= MAX16 or cd_offset >= MAX32 or cd_size >= MAX32
    counted = info.get("count64", count16)
    info["zip64_needed"] = needed
    info["complete"] = counted == walked and (info["zip64_end"] or not needed)
    return info


def check(archive, folder, rng):
    """Problems found in `archive` as a copy of `folder`; empty when it is one."""
    problems = []
    ok, text = run.zip_check(archive)
    if not ok:
        problems.append("unzip -tq: " + text[-300:])
    want = expected_entries(folder)
    with zipfile.ZipFile(archive) as z:
        infos = z.infolist()
        got = {i.filename: i for i in infos}
        if len(infos) != len(want) or set(got) != set(want):
            problems.append(f"zipfile: {len(infos)} entries, {len(set(got) ^ set(want))} names differ")
        for name, st in want.items():
            i = got.get(name)
            if i is None:
                continue
            if (i.external_attr >> 16) & 0o170777 != st.st_mode & 0o170777:
                problems.append(f"mode of {name}: {oct(i.external_attr >> 16)} not {oct(st.st_mode)}")
                break
            if os.path.isfile(folder / name) and not os.path.islink(folder / name) and i.file_size != st.st_size:
                problems.append(f"size of {name}: {i.file_size} not {st.st_size}")
                break
            if time.localtime(st.st_mtime)[:5] != i.date_time[:5]:
                problems.append(f"time of {name}: {i.date_time} not {time.localtime(st.st_mtime)[:6]}")
                break
        small = [n for n, st in want.items() if run.stat_is_dir(st) is False and st.st_size < 64 << 20
                 and not os.path.islink(folder / n)]
        for name in rng.sample(small, min(20, len(small))):
            if z.read(name) != (folder / name).read_bytes():
                problems.append(f"contents of {name} differ")
        link = got.get("latest.ns3f")
        if link is not None and z.read(link) != "Großer Flügel – Ñandú.ns3f".encode():
            problems.append("the link's target differs")
    records = end_records(archive)
    if not records["complete"]:
        problems.append(f"end records incomplete: {records}")
    return problems, records


def code_lines(path, start=None, end=None):
    """Lines that are neither blank nor only a comment (between two marker lines if given)."""
    lines = Path(path).read_text().splitlines()
    if start:
        lines = lines[next(i for i, l in enumerate(lines) if start in l) + 1:]
        lines = lines[:next(i for i, l in enumerate(lines) if end in l)]
    return sum(1 for l in lines if l.strip() and not l.strip().startswith("//"))


def load():
    return os.getloadavg()[0]


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--build-dir", default=str(run.REPO / "build"))
    parser.add_argument("--rounds", type=int, default=5)
    parser.add_argument("--big-rounds", type=int, default=3)
    parser.add_argument("--no-big", action="store_true", help="leave out the 4.5 GiB file")
    parser.add_argument("--quick", action="store_true", help="small trees")
    parser.add_argument("--seed", type=int, default=5)
    args = parser.parse_args()

    build = Path(args.build_dir)
    built = subprocess.run(["cmake", "--build", str(build), "-j2", "--target", "velmorin_zip_weigh"],
                           stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
    if built.returncode != 0:
        sys.exit(f"zip_weigh.py: could not build velmorin_zip_weigh in {build} (it needs libarchive-dev and a "
                 f"configured build folder):\n{built.stdout[-2000:]}")
    tool = build / "bench" / "velmorin_zip_weigh"
    tmp = Path(tempfile.mkdtemp(prefix="velmorin-zip-weigh."))
    try:
        print(f"making trees in {tmp}", file=sys.stderr)
        trees = make_trees(tmp, args.quick, not args.no_big, args.seed)
        times = {(t, w): [] for t in trees for w in WAYS}
        cpu = {(t, w): [] for t in trees for w in WAYS}  # user + system seconds: what the load does not change
        sizes, checks, loads = {}, {}, [load()]
        rng = random.Random(args.seed)
        for r in range(max(args.rounds, args.big_rounds)):
            for tree, folder in trees.items():
                if r >= (args.big_rounds if tree == "one 4.5 GiB file" else args.rounds):
                    continue
                for way in (WAYS if r % 2 == 0 else WAYS[::-1]):
                    if times[tree, way] and times[tree, way][0] > ONCE_OVER:
                        continue
                    out = tmp / f"{folder.name}-{way}.zip"
                    if out.exists():
                        out.unlink()
                    cpu_before = resource.getrusage(resource.RUSAGE_CHILDREN)
                    start = time.perf_counter()
                    done = subprocess.run([str(tool), way, str(folder), str(out)], stdout=subprocess.PIPE,
                                          stderr=subprocess.PIPE, text=True)
                    wall = time.perf_counter() - start
                    cpu_after = resource.getrusage(resource.RUSAGE_CHILDREN)
                    cpu[tree, way].append(cpu_after.ru_utime + cpu_after.ru_stime - cpu_before.ru_utime
                                          - cpu_before.ru_stime)
                    if done.returncode != 0:
                        sys.exit(f"{way} failed on {tree}: {done.stderr}")
                    times[tree, way].append(wall)
                    sizes[tree, way] = out.stat().st_size
                    if (tree, way) not in checks:
                        checks[tree, way] = check(out, folder, rng)
                    print(f"round {r + 1} {tree} {way}: {wall:.2f} s, CPU {cpu[tree, way][-1]:.2f} s, "
                          f"load {load():.1f}", file=sys.stderr)
                    loads.append(load())
        report(trees, times, cpu, sizes, checks, loads)
    finally:
        shutil.rmtree(tmp, ignore_errors=True)


def report(trees, times, cpu, sizes, checks, loads):
    print(f"\nload average (1 min) during the run: {min(loads):.1f} to {max(loads):.1f}, "
          f"median {statistics.median(loads):.1f}\n")
    print("| tree | writer | wall, median (rounds) | vs ours | CPU (user + system) | vs ours | archive bytes | "
          "unzip -tq, zipfile | Zip64 end records as written | entries not made on Unix |")
    print("|---|---|---|---|---|---|---|---|---|---|")
    for tree in trees:
        base = statistics.median(times[tree, "ours"])
        cpu_base = statistics.median(cpu[tree, "ours"])
        for way in WAYS:
            t = times[tree, way]
            problems, rec = checks[tree, way]
            z64 = ("yes" if rec["zip64_end"] else "no") + (" (needed)" if rec["zip64_needed"] else " (not needed)")
            print(f"| {tree} | {way} | {statistics.median(t):.2f} s ({len(t)}) | {statistics.median(t) / base:.2f} "
                  f"| {statistics.median(cpu[tree, way]):.2f} s | {statistics.median(cpu[tree, way]) / cpu_base:.2f} "
                  f"| {sizes[tree, way]:,} | {'ok' if not problems else '; '.join(problems)} | {z64} "
                  f"| {rec['not_unix']} of {rec['walked']} |")
    repo = run.REPO
    container = code_lines(repo / "platform/zip_container.cpp") + code_lines(repo / "platform/zip_container.h")
    pipeline = code_lines(repo / "platform/zip_writer.cpp")
    library = code_lines(repo / "bench/zip_weigh.cpp", "// ---- libarchive", "// ---- end of libarchive")
    print(f"\nlines of code (not blank, not comments): ours: container {container}, walker and parallel "
          f"deflate {pipeline}; libarchive's way, walker included: {library}")


if __name__ == "__main__":
    main()
