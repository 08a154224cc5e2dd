#!/usr/bin/env python3
"""What the install's read-back costs: the whole `--command install` timed
with two Release builds, one with the check and one without it, by hyperfine,
interleaved (a few runs of each in turn, the order swapped every round), warm.
Before each run the last one's output is removed and everything written back
(`sync`): the install makes its new folder durable before it swaps, and must
not wait on what the run before left for the disk.

    python3 bench/install_check_ab.py WITH_BINARY WITHOUT_BINARY [--earlier BINARY] [--rounds 10] [--runs 2]

(--earlier: a third build, with an earlier form of the check, timed alongside.)

Two program folders are made from a fixed seed: 2,000 header-less files of
85 KB (172 MB; every file is compared with its source byte for byte: the
worst case) and 2,000 real-sized Nord Stage 3 programs whose header carries
a checksum (592 bytes each: the copy is read, the source not at all).
"""
import argparse
import json
import os
import random
import shutil
import statistics
import subprocess
import sys
import tempfile
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
from run import nord_file, preset_bytes, slice_of, write  # noqa: E402


def make_folders(base, seed):
    rng = random.Random(seed)
    pool = preset_bytes(random.Random(seed + 1), 8 << 20)
    plain, programs = base / "plain", base / "programs"
    plain.mkdir(parents=True)
    programs.mkdir(parents=True)
    for i in range(2000):
        write(plain / f"Sound {i:04d}.ns3f", slice_of(rng, pool, 85_000 + rng.randint(-2_000, 2_000)))
        write(programs / f"Program {i:04d}.ns3f", nord_file(rng, "ns3f", 1, 592, pool))
    return {"header-less, 85 KB": plain, "with checksums, 592 B": programs}


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("with_check")
    parser.add_argument("without_check")
    parser.add_argument("--earlier", help="a build with an earlier form of the check")
    parser.add_argument("--rounds", type=int, default=10)
    parser.add_argument("--runs", type=int, default=2, help="runs of each build per round")
    parser.add_argument("--seed", type=int, default=5)
    args = parser.parse_args()
    tmp = Path(tempfile.mkdtemp(prefix="velmorin-ab."))
    try:
        home = tmp / "home"
        (home / "Desktop").mkdir(parents=True)
        env = {k: v for k, v in os.environ.items() if not k.startswith("XDG_")}
        env.update(HOME=str(home), XDG_DATA_HOME=str(home / ".local/share"), LC_ALL="C.UTF-8")
        builds = {"with the check": args.with_check, "without": args.without_check}
        if args.earlier:
            builds["earlier check"] = args.earlier
        print(f"load average at the start: {Path('/proc/loadavg').read_text().split()[:3]}")
        for name, folder in make_folders(tmp / "data", args.seed).items():
            dest = tmp / "dest"
            request = json.dumps({"dest": str(dest), "model": "Nord Stage 3", "progs": str(folder), "ext": "ns3f"})
            commands = {label: f"{binary} --command install '{request}'" for label, binary in builds.items()}
            for label, binary in builds.items():  # each must install and say so
                shutil.rmtree(dest, ignore_errors=True)
                reply = json.loads(subprocess.run([binary, "--command", "install", request], env=env, check=True,
                                                  stdout=subprocess.PIPE).stdout)
                if reply.get("ok") is not True or reply.get("count") != 2000:
                    sys.exit(f"{label}: {reply}")
            times = {label: {"wall": [], "user": [], "system": []} for label in builds}
            for round_ in range(args.rounds):
                order = list(builds)[round_ % len(builds):] + list(builds)[:round_ % len(builds)]
                out = tmp / "round.json"
                subprocess.run(["hyperfine", "-N", "-w", "1" if round_ == 0 else "0", "-r", str(args.runs),
                                "--prepare", f"sh -c 'rm -rf {dest} && sync'", "--export-json", str(out)] +
                               [commands[label] for label in order], env=env, check=True,
                               stdout=subprocess.DEVNULL)
                for label, result in zip(order, json.loads(out.read_text())["results"]):
                    times[label]["wall"] += result["times"]
                    times[label]["user"].append(result["user"])
                    times[label]["system"].append(result["system"])
            print(f"\n{name} ({folder}), {args.rounds} rounds of {args.runs} runs each:")
            for label, t in times.items():
                print(f"  {label:15} wall median {statistics.median(t['wall']) * 1000:7.0f} ms "
                      f"± {statistics.stdev(t['wall']) * 1000:4.0f}, user {statistics.mean(t['user']) * 1000:5.0f} ms, "
                      f"system {statistics.mean(t['system']) * 1000:5.0f} ms")
            wo = statistics.median(times["without"]["wall"])
            for label in builds:
                if label == "without":
                    continue
                w = statistics.median(times[label]["wall"])
                spread = statistics.stdev(times[label]["wall"]) / w + statistics.stdev(times["without"]["wall"]) / wo
                print(f"  cost of the {label.replace('with the check', 'check')}: {(w / wo - 1) * 100:+.0f} % "
                      f"(± {spread * 100:.0f} %)")
        print(f"load average at the end: {Path('/proc/loadavg').read_text().split()[:3]}")
    finally:
        shutil.rmtree(tmp, ignore_errors=True)


if __name__ == "__main__":
    main()
