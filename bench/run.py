#!/usr/bin/env python3
"""Velmorin Sync benchmarks, side by side with the standard tools.

    python3 bench/run.py            full run (about 200,000-entry home tree); writes
                                    bench/README.md's results and bench/ratios.png
    python3 bench/run.py --quick    small trees, a few minutes; writes its
                                    results into the temporary results folder only

Installs what it needs with apt-get when missing, builds a Release build, makes
the test trees in a temporary folder from a fixed seed, times each tool as its
own process (warm cache, and cold when the page cache can be dropped), checks
that every tool found or wrote the same thing, and prints a table of medians and
ratios. Only the Python standard library is used.
"""
import argparse
import datetime
import json
import os
import random
import re
import shlex
import shutil
import signal
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
BENCH = REPO / "bench"

PROG_EXT = {
    "ns2p": "Nord Stage 2", "ns3f": "Nord Stage 3", "ns4f": "Nord Stage 4", "ne5p": "Nord Electro 5",
    "ne6p": "Nord Electro 6", "ne7p": "Nord Electro 7", "nlsp": "Nord Lead", "npno": "Nord Piano",
}
PACKAGE_EXT = {"app", "bundle", "framework", "photoslibrary", "musiclibrary", "tvlibrary", "pkg", "logicx", "band"}

# Debian packages: the tools compared against, the plot, and what the build needs.
APT_PACKAGES = ["fd-find", "7zip", "zip", "unzip", "libarchive-tools", "time", "gnuplot-nox", "findutils",
                "coreutils", "util-linux", "cmake", "g++", "make", "pkg-config", "nlohmann-json3-dev", "libgtest-dev",
                "libminizip-dev", "zlib1g-dev", "libdeflate-dev", "libglib2.0-dev", "libgtk-3-dev",
                "libwebkit2gtk-4.1-dev", "xvfb", "hyperfine"]

GOALS = {  # ratio of medians, ours / peer: at most this
    "scan/find": 0.5, "scan/fdfind": 0.7, "size/du": 0.5, "stage/cp": 1.1, "archive/zip": 0.6, "zipcmd/zip": 0.6,
    "library/find": 0.5,
}
SIZE_GOAL = 1.05  # archive bytes / zip's
START_GOAL_S, START_GOAL_KIB = 0.005, 12 * 1024  # velmorin-sync --version
SOUND_GOAL = 2.0  # one program's sheet, against --version
WINDOW_GOAL = 1.3  # window start to status shown / a bare WebKitGTK window showing a static page
MEM_SLACK_KB = 1024  # per 100,000 entries, on top of what the output itself needs


START = time.perf_counter()


def log(*parts):
    print(f"[{time.perf_counter() - START:6.0f} s]", *parts, file=sys.stderr, flush=True)


def sh(cmd, **kw):
    return subprocess.run(cmd, check=True, **kw)


def out_of(cmd, **kw):
    return subprocess.run(cmd, check=True, stdout=subprocess.PIPE, **kw).stdout


# ---------------------------------------------------------------- set-up

def ensure_packages():
    missing = []
    for package in APT_PACKAGES:
        r = subprocess.run(["dpkg-query", "-W", "-f=${Status}", package], stdout=subprocess.PIPE,
                           stderr=subprocess.DEVNULL, text=True)
        if "install ok installed" not in r.stdout:
            missing.append(package)
    if not missing:
        return
    log(f"installing {' '.join(missing)}")
    prefix = [] if os.geteuid() == 0 else ["sudo", "-n"]
    env = dict(os.environ, DEBIAN_FRONTEND="noninteractive")
    sh(prefix + ["apt-get", "update", "-qq"], env=env)
    sh(prefix + ["apt-get", "install", "-y", "-qq", "--no-install-recommends"] + missing, env=env,
       stdout=subprocess.DEVNULL)


def build(build_dir, jobs):
    log(f"building Release in {build_dir}")
    sh(["cmake", "-S", str(REPO), "-B", str(build_dir), "-DCMAKE_BUILD_TYPE=Release", "-DBUILD_TESTING=OFF"],
       stdout=subprocess.DEVNULL)
    # The window (and the bare WebKitGTK window it is timed against) where GTK and WebKitGTK are there.
    window = "VELMORIN_WINDOW:BOOL=ON" in (build_dir / "CMakeCache.txt").read_text()
    targets = ["velmorin-sync", "velmorin_bench"] + (["velmorin_minimal_window"] if window else [])
    built = subprocess.run(["cmake", "--build", str(build_dir), "-j", str(jobs), "--target", *targets],
                           stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
    if built.returncode != 0:
        sys.exit(f"run.py: the build failed:\n{built.stdout.decode(errors='replace')[-4000:]}")
    app, driver = build_dir / "velmorin-sync", build_dir / "bench" / "velmorin_bench"
    minimal = build_dir / "bench" / "velmorin_minimal_window" if window else None
    for binary in (app, driver) + ((minimal,) if minimal else ()):
        if not os.access(binary, os.X_OK):
            sys.exit(f"run.py: {binary} was not built")
    return app, driver, minimal


# ---------------------------------------------------------------- test data
# Everything below comes from one random.Random(seed), so two runs build the
# same trees byte for byte.

SMALL_ALPHABET = bytes((i % 16) * 7 for i in range(256))  # parameter values: few distinct bytes
EIGHT_LEVELS = bytes((i % 8) * 31 for i in range(256))


def preset_bytes(rng, n):
    """Like a program file: header, parameter tables, names, padding, packed data."""
    out = bytearray(b"CBIN\x00\x03" + struct.pack("<IH", n, rng.randrange(65536)))
    while len(out) < n:
        k = rng.randint(64, 2048)
        kind = rng.random()
        if kind < 0.45:
            out += rng.randbytes(k).translate(SMALL_ALPHABET)
        elif kind < 0.65:
            out += rng.randbytes(k)
        elif kind < 0.85:
            out += bytes(k)
        else:
            out += (b"Grand Imperial\x00Bright Rock\x00Pad Strings\x00" * (k // 40 + 1))[:k]
    return bytes(out[:n])


def audio_bytes(rng, n):
    """Like a sample file: 16-bit samples whose high bytes vary little."""
    out = bytearray(n)
    half = n // 2
    out[0::2] = rng.randbytes(n - half)
    out[1::2] = rng.randbytes(half).translate(EIGHT_LEVELS)
    return bytes(out)


WORDS = ("the of and to in is was for on that with as by at from his it an were are which this be "
         "or has had not first one their its new after but who they have her she two been other when "
         "there all during into school time may years more most only over city some world would where "
         "later up such used many can state about national out known university united then made "
         "program piano organ synth stage electro lead preset bank sound sample layer split tempo "
         "chorus rotary speaker drawbar velocity release attack filter envelope oscillator").split()


def text_pool(rng, n):
    weights = [1.0 / (rank + 1) for rank in range(len(WORDS))]
    words = rng.choices(WORDS, weights, k=n // 5)
    lines, line = [], []
    for w in words:
        line.append(w)
        if len(line) > rng.randint(6, 14):
            lines.append(" ".join(line))
            line = []
    return ("\n".join(lines) + "\n").encode()[:n].ljust(n, b" ")


def slice_of(rng, pool, n):
    parts = []
    while n > 0:
        k = min(n, len(pool) // 2)
        at = rng.randrange(len(pool) - k + 1)
        parts.append(pool[at:at + k])
        n -= k
    return b"".join(parts)


def write(path, data, mtime=None):
    with open(path, "wb") as f:
        f.write(data)
    if mtime is not None:
        os.utime(path, (mtime, mtime))


def sparse(path, size):
    """A file with its size but no data: the home tree is only listed and measured."""
    fd = os.open(path, os.O_WRONLY | os.O_CREAT | os.O_TRUNC, 0o644)
    if size:
        os.ftruncate(fd, size)
    os.close(fd)


def log_size(rng, low, high):
    return int(round(low * (high / low) ** rng.random()))


class HomeBuilder:
    """A home folder: Desktop, Documents and Downloads with photos, papers,
    projects (hidden .git folders, deep node_modules), source trees, a music
    library, app packages, a messy Downloads folder, and a few thousand Nord
    program files of several models, some where the scan must not look."""

    BASE_TIME = 1_650_000_000  # April 2022

    def __init__(self, home, scale, seed):
        self.home, self.scale = Path(home), scale
        self.rng = random.Random(seed)
        self.pool = preset_bytes(random.Random(seed + 1), 1 << 21)
        self.entries = 0

    def n(self, count):
        return max(1, int(count * self.scale))

    def folder(self, path):
        path.mkdir(parents=True, exist_ok=True)
        self.entries += 1
        return path

    def file(self, path, size=None):
        sparse(path, size if size is not None else log_size(self.rng, 200, 400_000))
        self.entries += 1

    def programs(self, folder, ext, count, stamp, prefix="", hidden_copies=0):
        self.folder(folder)
        for i in range(count):
            name = f"{prefix}{self.rng.choice(['Piano', 'Organ', 'Pad', 'Lead', 'Bass', 'Strings', 'EP'])} {i:04d}.{ext}"
            path = folder / name
            write(path, slice_of(self.rng, self.pool, self.rng.randint(8_000, 60_000)), stamp + i)
            self.entries += 1
            if i < hidden_copies:  # AppleDouble files a Mac leaves on a stick
                write(folder / ("._" + name), slice_of(self.rng, self.pool, 4096), stamp + i)
                self.entries += 1

    def program_list(self, path, model, stamp):
        rows = "".join(f"<tr><td>{i}</td><td>{model} program {i}</td></tr>\n" for i in range(400))
        write(path, f"<html><body><h1>{model}</h1><table>\n{rows}</table></body></html>\n".encode(), stamp)
        self.entries += 1

    def chain(self, top, depth, width, files):
        """Nested folders `depth` deep, `width` at each level, `files` in each."""
        stack = [(self.folder(top), 0)]
        while stack:
            folder, level = stack.pop()
            for f in range(files):
                self.file(folder / f"{self.rng.choice(['index', 'util', 'main', 'types', 'test', 'README'])}{f}."
                                   f"{self.rng.choice(['js', 'c', 'h', 'py', 'md', 'json', 'ts'])}")
            if level < depth:
                for w in range(width):
                    stack.append((self.folder(folder / f"{self.rng.choice(['lib', 'src', 'dist', 'core', 'pkg'])}{w}"),
                                  level + 1))

    def build(self):
        h, rng, t = self.home, self.rng, self.BASE_TIME
        desktop, documents, downloads = (self.folder(h / name) for name in ("Desktop", "Documents", "Downloads"))

        # Nord material. The expected answer: Documents/Nord/Stage 3 Backup
        # (700 visible .ns3f plus 40 hidden AppleDouble copies) and its list.
        nord = self.folder(documents / "Nord")
        self.programs(nord / "Stage 3 Backup", "ns3f", 700, t + 5_000_000, hidden_copies=40)
        self.program_list(nord / "Stage 3 Backup" / "Nord Stage 3 Program List.html", "Nord Stage 3", t + 9_000_000)
        self.programs(nord / "Old Stage 3", "ns3f", 650, t)
        self.programs(nord / "Stage 2", "ns2p", 400, t + 1_000_000)
        self.program_list(nord / "Stage 2" / "nord stage 2 program list.htm", "Nord Stage 2", t + 1_000_000)
        self.program_list(nord / "Nord Stage 3 Program List (old).html", "Nord Stage 3", t + 10)
        music = self.folder(documents / "Music")
        self.programs(music / "Lead", "nlsp", 150, t + 2_000_000)
        self.programs(music / "Piano", "npno", 60, t + 2_000_000)
        self.programs(desktop / "Electro 6", "ne6p", 250, t + 3_000_000)
        self.program_list(desktop / "Electro 6" / "Nord Electro 6 Program List.html", "Nord Electro 6", t + 3_000_000)
        self.programs(downloads / "nord-lead-sounds", "nlsp", 120, t + 4_000_000)
        for i in range(60):  # singles in Downloads
            ext = rng.choice(sorted(PROG_EXT))
            write(downloads / f"shared patch {i}.{ext}", slice_of(rng, self.pool, 20_000), t + 4_000_000 + i)
            self.entries += 1
        # Out of the scan's reach, each bigger than the expected answer, and
        # each with a newer list than the expected one:
        archive = self.folder(music / "Archive")
        self.programs(self.folder(archive / "2019") / "Stage", "ns3f", 1000, t)  # too deep
        self.program_list(archive / "2019" / "Stage" / "Nord Stage 3 Program List.html", "Nord Stage 3", t + 9_500_000)
        self.programs(desktop / ".stage-backup", "ns3f", 1500, t)  # hidden
        self.program_list(desktop / ".stage-backup" / "Nord Stage 3 Program List.html", "Nord Stage 3", t + 9_600_000)
        self.programs(desktop / "Stage 4 Backup.bundle", "ns4f", 1200, t)  # a package
        self.program_list(desktop / "Stage 4 Backup.bundle" / "Nord Stage 4 Program List.html", "Nord Stage 4",
                          t + 9_700_000)

        # Desktop: loose files, screenshots, an app package, a link to a folder.
        for i in range(self.n(600)):
            self.file(desktop / f"{rng.choice(['notes', 'todo', 'invoice', 'scan', 'setlist'])} {i}."
                                f"{rng.choice(['txt', 'pdf', 'png', 'docx', 'odt'])}")
        shots = self.folder(desktop / "Screenshots")
        for i in range(self.n(2500)):
            self.file(shots / f"Screenshot 2023-{1 + i % 12:02d}-{1 + i % 28:02d} at {i % 24:02d}.{i % 60:02d}.{i:05d}.png")
        app = self.folder(desktop / "Nord Sound Manager.app")
        self.chain(app / "Contents", 3, 3, self.n(40))
        os.symlink("../Documents", desktop / "Documents link")
        self.entries += 1
        for name in (b"Canci\xf3n latin-1.txt", b"Cr\xe8me br\xfbl\xe9e.ns3f"):  # not UTF-8: left out by the scan
            sparse(os.path.join(bytes(desktop), name), 1000)
            self.entries += 1

        # Documents: photos by year, papers, a music library, projects.
        photos = self.folder(documents / "Photos")
        for year in range(2012, 2025):
            year_folder = self.folder(photos / str(year))
            for i in range(self.n(1500)):
                self.file(year_folder / f"IMG_{i:04d}.JPG", log_size(rng, 800_000, 6_000_000))
        papers = self.folder(documents / "Papers")
        for i in range(self.n(6000)):
            self.file(papers / f"{rng.choice(['report', 'letter', 'tax', 'score', 'chart'])}-{i:05d}."
                               f"{rng.choice(['pdf', 'docx', 'xlsx', 'odt', 'txt'])}")
        library = self.folder(music / "Library")
        for a in range(self.n(400)):
            artist = self.folder(library / f"Artist {a:03d}")
            for b in range(3):
                album = self.folder(artist / f"Album {b}")
                for track in range(10):
                    self.file(album / f"{track + 1:02d} Track.m4a", log_size(rng, 2_000_000, 9_000_000))
        projects = self.folder(documents / "Projects")
        for p in range(self.n(14)):
            project = self.folder(projects / f"project-{p}")
            objects = self.folder(self.folder(project / ".git") / "objects")
            for k in range(256):
                bucket = self.folder(objects / f"{k:02x}")
                for j in range(10):
                    self.file(bucket / f"{rng.getrandbits(152):038x}", log_size(rng, 100, 20_000))
            self.chain(project / "src", 3, 3, 12)
            modules = self.folder(project / "node_modules")
            for m in range(60):
                self.chain(modules / f"module-{m}", 2, 2, 5)
        self.chain(documents / "Archive", 7, 2, 3)  # deep and narrow

        # Downloads: a messy flat folder, source trees, app packages.
        for i in range(self.n(12000)):
            self.file(downloads / f"{rng.choice(['download', 'setup', 'IMG', 'document', 'statement', 'song'])}"
                                  f" ({i}).{rng.choice(['pdf', 'zip', 'dmg', 'deb', 'jpg', 'mp3', 'html', 'exe'])}",
                      log_size(rng, 1_000, 50_000_000))
        for s in range(self.n(4)):
            self.chain(downloads / f"source-{s}.0", 6, 3, 9)
        for a in range(self.n(6)):
            self.chain(downloads / f"Tool {a}.app", 3, 3, 20)
        return self.entries


def make_program_folder(folder, small, big_sizes, seed):
    """A keyboard's program folder: presets of tens of kilobytes and a few big files."""
    rng = random.Random(seed)
    pool = preset_bytes(random.Random(seed + 1), 8 << 20)
    folder.mkdir(parents=True)
    for i in range(small):
        write(folder / f"{rng.choice(['Piano', 'Organ', 'Synth', 'Pad'])} {i:04d}.ns3f",
              preset_bytes(rng, rng.randint(10_000, 60_000)) if i % 8 == 0
              else slice_of(rng, pool, rng.randint(10_000, 60_000)), HomeBuilder.BASE_TIME + i)
    for i, size in enumerate(big_sizes):
        write(folder / f"Live {i} Sample Set.ns3f", audio_bytes(rng, size), HomeBuilder.BASE_TIME)
    return small + len(big_sizes)


def make_small_programs(folder, count, seed):
    """Many tiny program files: for memory growth with the number of files."""
    rng = random.Random(seed)
    pool = preset_bytes(random.Random(seed + 1), 1 << 20)
    folder.mkdir(parents=True)
    for i in range(count):
        write(folder / f"Patch {i:06d}.ns3f", slice_of(rng, pool, rng.randint(500, 2500)))


def make_mixed_folder(folder, total, seed):
    """Text-like, binary-like and already-compressed-like files in nested folders."""
    rng = random.Random(seed)
    pools = {
        "text": (text_pool(random.Random(seed + 1), 6 << 20), ["txt", "md", "csv", "html", "log", "svg", "json"]),
        "binary": (preset_bytes(random.Random(seed + 2), 8 << 20), ["bin", "dat", "ns3f", "so", "db", "pdf"]),
        "packed": (random.Random(seed + 3).randbytes(24 << 20), ["jpg", "mp3", "zip", "png", "m4a", "gz"]),
    }
    folders = [folder]
    folder.mkdir(parents=True)
    for i in range(30):
        parent = rng.choice(folders[:10] if len(folders) > 10 else folders)
        sub = parent / f"{rng.choice(['docs', 'media', 'backup', 'scores', 'stems', 'misc'])} {i}"
        sub.mkdir()
        folders.append(sub)
    written, files = 0, 0
    while written < total:
        kind = rng.choice(["text", "binary", "packed"])
        pool, exts = pools[kind]
        size = min(log_size(rng, 2_000, 6_000_000), total - written)
        write(rng.choice(folders) / f"{kind}-{files:05d}.{rng.choice(exts)}", slice_of(rng, pool, size))
        written += size
        files += 1
    return files


# The library's types: the extension table's and the three further ones. Of
# the five whose lengths are known, the lengths with the old and new header.
LIBRARY_EXT = sorted(set(PROG_EXT) | {"nlas", "ns3y", "ns2s"})
KNOWN_SIZES = {"ns3f": (574, 592), "ns2p": (547, 565), "nlas": (123, 141), "ns3y": (84, 102), "ns2s": (60, 78)}
LIBRARY_TYPES = [("ns3f", 30), ("ns2p", 15), ("nlas", 8), ("ns3y", 8), ("ns2s", 6), ("ne6p", 8), ("ne5p", 5),
                 ("ne7p", 5), ("nlsp", 6), ("ns4f", 6), ("npno", 3)]
DAMAGE = ("crc", "type", "size", "short", "magic")


def nord_file(rng, ext, header, size, pool):
    """A program file as the maker's software writes it (see the facts page):
    the CBIN header, then parameter-like bytes; header 1 carries the CRC-32 of
    everything from 0x2C on."""
    body = slice_of(rng, pool, max(0, size - 0x2C))
    head = bytearray(0x2C)
    head[0:4] = b"CBIN"
    struct.pack_into("<I", head, 0x04, header)
    head[0x08:0x0C] = ext.encode()
    head[0x0C], head[0x0E] = rng.randrange(16), rng.randrange(25)
    head[0x10] = rng.choice([0x00, 0x01, 0x06, 0x07, 0x08, 0x0C, 0x15, 0x17, 0x1B, 0xFF])
    struct.pack_into("<H", head, 0x14, rng.choice([300, 304, 312, 210]))
    if header == 1:
        struct.pack_into("<I", head, 0x18, zlib.crc32(body))
    return bytes(head) + body


def damage(rng, data, ext, how):
    """The same file damaged one way: a bad checksum, another type, another
    length, cut short or without its magic."""
    data = bytearray(data)
    if how == "crc":
        data[-1] ^= 0x5A
    elif how == "type":
        data[0x08:0x0C] = b"nxxx"
    elif how == "size":
        data += b"\0" * 7
    elif how == "short":
        data = data[:rng.randint(4, 0x2B)]  # still "CBIN": shorter is no known format at all
    else:
        data[0:4] = b"RIFF"
    return bytes(data)


def make_library_home(home, count, seed, big=20):
    """A home whose usual folders hold `count` program files of every type the
    library reads (sizes as the facts page gives them, both headers; the types
    of unknown length a few kB, `big` pianos over 1 MiB), 2 % of them damaged,
    twelve backups (ZIP archives of program files) and other files the library
    passes over. No hidden or package folders, nothing deeper than the library
    looks: find sees what it sees.
    Returns what the library must find: {path: damaged?} on disk, and the
    number of program entries in the backups."""
    rng = random.Random(seed)
    pool = preset_bytes(random.Random(seed + 1), 1 << 21)
    home = Path(home)
    roots = [home / "Desktop", home / "Documents", home / "Downloads"]
    folders = []
    for root in roots:
        root.mkdir(parents=True)
        folders.append(root)
    for i in range(max(8, count // 60)):  # up to 5 levels below a root (the library reads 6)
        parent = rng.choice(folders)
        if len(parent.relative_to(home).parts) >= 5:
            parent = rng.choice(roots)
        sub = parent / f"{rng.choice(['Nord', 'Stage', 'Bank', 'Live', 'Gig', 'Sounds', 'Backup'])} {i}"
        sub.mkdir()
        folders.append(sub)
    types, weights = zip(*LIBRARY_TYPES)
    on_disk = {}
    big_at = set(rng.sample(range(count), big))
    for i in range(count):
        ext = "npno" if i in big_at else rng.choices(types, weights)[0]
        header = 1 if rng.random() < 0.8 else 0
        if i in big_at:
            size = rng.randint(1_200_000, 3_000_000)
        elif ext in KNOWN_SIZES:
            size = KNOWN_SIZES[ext][header]
        else:
            size = rng.randint(300, 6_000)
        data = nord_file(rng, ext, header, size, pool)
        broken = i not in big_at and rng.random() < 0.02  # of a piano only the header is read
        if broken:
            how = rng.choice(DAMAGE if ext in KNOWN_SIZES else ("crc", "short"))
            if how == "crc" and header == 0:
                how = "short"
            data = damage(rng, data, ext, how)
        path = rng.choice(folders) / f"{rng.choice(['Piano', 'Organ', 'Pad', 'Lead', 'Bass', 'EP', 'Strings'])} {i:05d}.{ext}"
        write(path, data, HomeBuilder.BASE_TIME + i)
        on_disk[str(path)] = broken
    in_backups = 0
    for b in range(12):
        target = rng.choice(folders) / f"Backup {b}.{rng.choice(['ns3b', 'ns2b', 'nlab'])}"
        with zipfile.ZipFile(target, "w", zipfile.ZIP_DEFLATED) as z:
            for e in range(40):
                ext = rng.choice(["ns3f", "ns2p", "nlas"])
                z.writestr(f"Program/Bank {chr(65 + e // 10)}/Sound {e}.{ext}",
                           nord_file(rng, ext, 1, KNOWN_SIZES[ext][1], pool))
                in_backups += 1
    # Other files the library passes over, as a home has them.
    for i in range(count // 4):
        sparse(rng.choice(folders) / f"file {i}.{rng.choice(['pdf', 'txt', 'jpg', 'mp3', 'zip', 'html'])}",
               log_size(rng, 200, 400_000))
    return on_disk, in_backups


# ---------------------------------------------------------------- timing

class Runner:
    def __init__(self, tmp, cold_allowed):
        self.rss_file = tmp / "rss.txt"
        self.cold_allowed = cold_allowed

    @staticmethod
    def drop_caches():
        try:
            os.sync()
            with open("/proc/sys/vm/drop_caches", "w") as f:
                f.write("3\n")
            return True
        except OSError:
            return False

    def once(self, tool, cold=False):
        """Runs one tool once; returns (seconds, peak RSS in KiB)."""
        if tool.get("before"):
            tool["before"]()
        if tool.get("sync"):
            os.sync()  # nobody pays for the previous tool's write-back
        if cold:
            self.drop_caches()
        cmd = ["/usr/bin/time", "-f", "%M", "-o", str(self.rss_file)] + tool["cmd"]
        start = time.perf_counter()
        r = subprocess.run(cmd, cwd=tool.get("cwd"), env=tool.get("env"), stdout=subprocess.DEVNULL,
                           stderr=subprocess.PIPE)
        seconds = time.perf_counter() - start
        if r.returncode != 0:
            raise RuntimeError(f"{tool['label']} failed ({r.returncode}): {r.stderr.decode(errors='replace')[-800:]}")
        rss = int(self.rss_file.read_text().split()[-1])
        return seconds, rss

    def compare(self, tools, reps, cold=False):
        """Interleaved runs (the order rotating each round), so that load from
        elsewhere on the machine falls on every tool alike."""
        if not cold:
            for tool in tools:
                self.once(tool)  # warm-up
        times = {t["label"]: [] for t in tools}
        rss = {t["label"]: [] for t in tools}
        for rep in range(reps):
            for k in range(len(tools)):
                tool = tools[(k + rep) % len(tools)]
                s, m = self.once(tool, cold)
                times[tool["label"]].append(s)
                rss[tool["label"]].append(m)
        return {label: {"median": statistics.median(times[label]), "runs": times[label],
                        "rss": statistics.median(rss[label])} for label in times}


# ---------------------------------------------------------------- checks

def find_listing(roots):
    """find's answer for the scan's question, parsed: (type, size, mtime, path) per entry."""
    raw = out_of(["find", *map(str, roots), "-maxdepth", "3", "-name", ".*", "-prune", "-o",
                  "-printf", r"%y %s %T@ %p\n"])
    rows = []
    for line in raw.split(b"\n"):
        if line:
            kind, size, mtime, path = line.split(b" ", 3)
            rows.append((kind.decode(), int(size), float(mtime), path))
    return rows


def lower_ext(name):
    dot = name.rfind(".")
    return name[dot + 1:].lower() if dot >= 0 else ""


def is_utf8(raw):
    try:
        raw.decode("utf-8")
        return True
    except UnicodeDecodeError:
        return False


def visible_to_scan(path, roots):
    """Whether the scan looks at `path`: every folder's name on the way UTF-8 (the
    file's own may be anything), no package folder on the way."""
    for root in roots:
        r = bytes(root) + b"/"
        if path.startswith(r):
            parts = path[len(r):].split(b"/")
            break
    else:
        return False
    try:
        folders = [p.decode("utf-8") for p in parts[:-1]]
    except UnicodeDecodeError:
        return False
    return not any(lower_ext(folder) in PACKAGE_EXT for folder in folders)


def reference_scan(rows, roots):
    """What the scan must answer, worked out from find's listing."""
    tally, lists = {}, []
    for kind, size, mtime, path in rows:
        if kind not in "fl" or not visible_to_scan(path, roots):
            continue
        folder, _, raw_name = path.rpartition(b"/")
        name = raw_name.decode(errors="surrogateescape")
        if kind == "l":
            try:
                st = os.stat(path)
            except OSError:
                continue
            if stat_is_dir(st):
                continue
            size, mtime = st.st_size, st.st_mtime
        ext = lower_ext(name)
        if ext in ("html", "htm") and "program" in name.lower():
            if is_utf8(raw_name):  # a list's name must be UTF-8 to be reported
                lists.append((mtime, path.decode(), size))
        elif ext in PROG_EXT:
            tally[(folder.decode(), ext)] = tally.get((folder.decode(), ext), 0) + 1
    expected = {}
    if tally:
        ranked = sorted(tally.items(), key=lambda kv: -kv[1])
        if len(ranked) > 1 and ranked[0][1] == ranked[1][1]:
            raise RuntimeError("test tree has two folders with the same number of programs")
        (folder, ext), _ = ranked[0]
        count, size = 0, 0
        for line in out_of(["find", "-L", folder, "-mindepth", "1", "-maxdepth", "1",
                            "-printf", r"%y %s %f\n"]).decode().splitlines():
            kind, entry_size, name = line.split(" ", 2)
            if lower_ext(name) == ext:
                count += 1
                size += int(entry_size) if kind == "f" else 0
        expected["progs"] = {"dir": folder, "ext": ext, "count": count, "size": size, "model": PROG_EXT[ext]}
    if lists:
        mtime, path, size = max(lists)
        expected["list"] = {"path": path, "size": size}
    return expected, {path for (kind, _, _, path) in rows if kind in "fl"
                      and lower_ext(path.rpartition(b"/")[2].decode(errors="replace")) in PROG_EXT}


def stat_is_dir(st):
    import stat as stat_module
    return stat_module.S_ISDIR(st.st_mode)


def zip_names(archive):
    names = out_of(["unzip", "-Z1", str(archive)]).decode(errors="surrogateescape").splitlines()
    files = set()
    for name in names:
        if name.startswith("./"):
            name = name[2:]
        if name and not name.endswith("/"):
            files.add(name)
    return files


def zip_check(archive):
    r = subprocess.run(["unzip", "-tq", str(archive)], stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
    return r.returncode == 0, r.stdout.decode(errors="replace").strip()


def central_directory_size(archive):
    """Bytes of the archive's central directory, from its end record."""
    with open(archive, "rb") as f:
        f.seek(0, os.SEEK_END)
        length = f.tell()
        f.seek(max(0, length - 66_000))
        tail = f.read()
    at = tail.rfind(b"PK\x05\x06")
    return struct.unpack("<I", tail[at + 12:at + 16])[0]


def tree_files(folder):
    return {str(p.relative_to(folder)) for p in Path(folder).rglob("*") if p.is_file()}


def same_tree(a, b):
    return subprocess.run(["diff", "-rq", "--no-dereference", str(a), str(b)], stdout=subprocess.DEVNULL,
                          stderr=subprocess.DEVNULL).returncode == 0


def sum_sizes(folder, kind):
    raw = out_of(["find", str(folder), *kind, "-printf", r"%s\n"]).split()
    return sum(int(x) for x in raw), len(raw)


# ---------------------------------------------------------------- machine

def machine_info(tmp):
    cpu = "unknown"
    for line in Path("/proc/cpuinfo").read_text().splitlines():
        if line.startswith("model name"):
            cpu = line.split(":", 1)[1].strip()
            break
    mem_kb = int(re.search(r"MemTotal:\s+(\d+)", Path("/proc/meminfo").read_text()).group(1))
    fs = out_of(["findmnt", "-n", "-o", "FSTYPE,SOURCE", "-T", str(tmp)]).decode().strip()
    versions = {}
    for label, cmd in {"find": ["find", "--version"], "fdfind": ["fdfind", "--version"],
                       "du": ["du", "--version"], "cp": ["cp", "--version"], "zip": ["zip", "-h"],
                       "7zz": ["7zz"], "bsdtar": ["bsdtar", "--version"]}.items():
        text = subprocess.run(cmd, stdout=subprocess.PIPE, stderr=subprocess.STDOUT).stdout.decode().strip()
        line = next((l for l in text.splitlines() if re.search(r"\d+\.\d+", l) and "Copyright (c) 1990" not in l), "")
        versions[label] = line.strip()
    head = subprocess.run(["git", "-C", str(REPO), "describe", "--always", "--dirty"], stdout=subprocess.PIPE,
                          stderr=subprocess.DEVNULL).stdout.decode().strip()
    def text_of(cmd):
        r = subprocess.run(cmd, stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
        return r.stdout.decode(errors="replace").rstrip()
    return {
        "lscpu": "\n".join(text_of(["lscpu"]).splitlines()[:10]),
        "disk": text_of(["findmnt", "-n", "-o", "TARGET,FSTYPE,SOURCE,OPTIONS", "-T", str(tmp)]) + "\n" +
                text_of(["lsblk", "-d", "-o", "NAME,SIZE,ROTA,TYPE,MODEL"]),
        "nproc": os.cpu_count(), "cpu": cpu, "memory": f"{mem_kb / 1024 / 1024:.1f} GiB",
        "kernel": os.uname().release, "fs": fs, "tmp": str(tmp), "versions": versions, "commit": head or "?",
        "date": datetime.datetime.now(datetime.timezone.utc).strftime("%Y-%m-%d %H:%M UTC"),
        "load": Path("/proc/loadavg").read_text().split()[:3],
    }


# ---------------------------------------------------------------- report

def fmt_s(seconds):
    return f"{seconds * 1000:.0f} ms" if seconds < 10 else f"{seconds:.1f} s"


def fmt_mb(kb):
    return f"{kb / 1024:.1f} MiB"


def plot(rows, png, gnuplot_dir):
    """Bar chart of ours/peer ratios (warm, cold) with each goal as a black line."""
    data = gnuplot_dir / "ratios.dat"
    with open(data, "w") as f:
        for i, row in enumerate(rows):
            cold = row["cold"] if row["cold"] is not None else "NaN"
            goal = row["goal"] if row["goal"] is not None else "NaN"
            label = row["label"].replace('"', "'")
            f.write(f'{i} "{label}" {row["warm"]:.4f} {cold if cold == "NaN" else f"{cold:.4f}"} {goal}\n')
    top = max([r["warm"] for r in rows] + [r["cold"] or 0 for r in rows] + [1.2]) * 1.15
    script = f"""
set terminal pngcairo size 1400,720 font "DejaVu Sans,11"
set output "{png}"
set title "Velmorin Sync / standard tool, median wall time (lower is better; black line = goal)"
set ylabel "ratio (ours / peer)"
set yrange [0:{top:.2f}]
set xrange [-0.6:{len(rows) - 0.4}]
set grid ytics
set key top left
set style fill solid 0.85 border -1
set boxwidth 0.36
set xtics rotate by -28 left nomirror
set bmargin 9
set rmargin 12
set arrow from -0.6,1 to {len(rows) - 0.4},1 nohead dt 2 lc rgb "#888888"
plot "{data}" using ($1-0.19):3:xtic(2) with boxes lc rgb "#3b7dd8" title "warm cache", \\
     "" using ($1+0.19):4 with boxes lc rgb "#9ab8e6" title "cold cache", \\
     "" using 1:5:(0.42) with xerrorbars pt -1 lw 3 lc rgb "#000000" title "goal", \\
     "" using ($1-0.19):3:(sprintf("%.2f", $3)) with labels offset 0,0.7 font ",9" notitle, \\
     "" using ($1+0.19):4:(sprintf("%.2f", $4)) with labels offset 0,0.7 font ",9" notitle
"""
    (gnuplot_dir / "ratios.gp").write_text(script)
    sh(["gnuplot", str(gnuplot_dir / "ratios.gp")])


# ---------------------------------------------------------------- main

def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--quick", action="store_true", help="small trees and fewer runs (a few minutes)")
    parser.add_argument("--seed", type=int, default=5)
    parser.add_argument("--jobs", type=int, default=2, help="build jobs (default 2)")
    parser.add_argument("--build-dir", default=str(REPO / "build-bench"))
    parser.add_argument("--no-cold", action="store_true", help="skip the cold-cache runs")
    parser.add_argument("--only", choices=["library"],
                        help="run this comparison alone (its results stay in the temporary results folder)")
    parser.add_argument("--write-readme", action=argparse.BooleanOptionalAction, default=None,
                        help="put the results into bench/README.md and bench/ratios.png (default: full runs only)")
    args = parser.parse_args()
    write_readme = (not args.quick and not args.only) if args.write_readme is None else args.write_readme
    quick = args.quick

    ensure_packages()
    app, driver, minimal = build(Path(args.build_dir), args.jobs)

    tmp_base = Path(os.environ.get("TMPDIR", "/tmp"))
    need = (300 if quick else 1600) << 20
    free = shutil.disk_usage(tmp_base).free
    if free < need:
        sys.exit(f"run.py: {tmp_base} has {free >> 20} MiB free; the benchmark needs {need >> 20} MiB")
    tmp = Path(tempfile.mkdtemp(prefix="velmorin-bench.", dir=tmp_base))

    def cleanup(*_):
        shutil.rmtree(tmp, ignore_errors=True)
    for sig in (signal.SIGINT, signal.SIGTERM, signal.SIGHUP):
        signal.signal(sig, lambda s, f: (cleanup(), sys.exit(128 + s)))
    try:
        run(args, quick, write_readme, app, driver, minimal, tmp)
    finally:
        cleanup()


def time_starts(tools, runs, tmp):
    """Start-up times, which /usr/bin/time and Python would swamp: hyperfine
    starts each program itself, with no shell, interleaving nothing."""
    medians = {}
    for tool in tools:
        out = tmp / "hyperfine.json"
        sh(["hyperfine", "-N", "--warmup", "20", "-r", str(runs), "--export-json", str(out), shlex.join(tool["cmd"])],
           env=tool.get("env"), stdout=subprocess.DEVNULL)
        medians[tool["label"]] = json.loads(out.read_text())["results"][0]["median"]
    return medians


def time_windows(app, minimal, tmp, env, reps):
    """The application's window and a bare WebKitGTK window, interleaved, each
    from its start to its page painted; medians of time and resident memory."""
    sys.path.insert(0, str(BENCH / "window"))
    from static_page import write_static_page
    from startup import PrivateDisplay, time_window
    page = tmp / "static.html"
    page_bytes = write_static_page(REPO / "ui", page)
    tools = [("velmorin window", [str(app)], "Velmorin Sync: status shown"),
             ("minimal WebKitGTK window", [str(minimal), str(page)], "static page shown")]
    runs = {label: {"runs": [], "rss": []} for label, _, _ in tools}
    with PrivateDisplay() as display:
        env = dict(env, DISPLAY=display.display, VELMORIN_WEB_CONSOLE="1", NO_AT_BRIDGE="1", GTK_USE_PORTAL="0")
        for label, cmd, marker in tools:
            time_window(cmd, marker, env)  # warm-up: the disk cache, WebKit's own caches
        for rep in range(reps):
            for k in range(len(tools)):
                label, cmd, marker = tools[(k + rep) % len(tools)]
                seconds, rss = time_window(cmd, marker, env)
                runs[label]["runs"].append(seconds)
                runs[label]["rss"].append(rss)
    result = {label: {"median": statistics.median(r["runs"]), "runs": r["runs"], "rss": statistics.median(r["rss"])}
              for label, r in runs.items()}
    result["page_bytes"] = page_bytes
    return result


def library_bench(app, tmp, seed, quick, runner, cold_ok, reps, env_home):
    """The library of a home with 10,000 program files against find running
    cksum over the same files, warm and cold, interleaved; its answer checked
    against find's; its peak memory at two sizes against its reply's size."""
    counts = (500, 2_000) if quick else (2_500, 10_000)
    homes, expected = [], []
    for k, count in enumerate(counts):
        home = tmp / f"library-{k}"
        expected.append(make_library_home(home, count, seed + 20 + k, big=5 if quick else 20))
        homes.append(home)
    os.sync()
    home = homes[-1]
    on_disk, in_backups = expected[-1]
    roots = [home / "Desktop", home / "Documents", home / "Downloads"]
    names = []
    for ext in LIBRARY_EXT:
        names += (["-o"] if names else []) + ["-name", f"*.{ext}"]
    find_cmd = ["find", *map(str, roots), "-maxdepth", "6", "-type", "f", "(", *names, ")", "-exec", "cksum", "{}", "+"]
    library_cmd = [str(app), "--command", "library", "{}"]
    tools = [{"label": "find + cksum", "cmd": find_cmd},
             {"label": "velmorin library", "cmd": library_cmd, "env": env_home(home)}]
    warm = runner.compare(tools, reps["fast"])
    cold = runner.compare(tools, reps["cold"], cold=True) if cold_ok else {}

    checks = []
    sums = out_of(find_cmd).decode(errors="surrogateescape").splitlines()
    found = {line.split(" ", 2)[2] for line in sums}
    raw = out_of(library_cmd, env=env_home(home))
    reply = json.loads(raw)
    listed = [p for p in reply.get("programs", []) if not p["inside"]]
    listed_paths = {p["path"] for p in listed}
    checks.append(("library: lists the program files find finds outside backups, and only those",
                   listed_paths == found and len(listed) == len(found) == len(on_disk) and set(on_disk) == found,
                   f"{len(listed):,} listed, find {len(found):,}, made {len(on_disk):,}"))
    damaged = sum(on_disk.values())
    listed_damaged = sum(1 for p in listed if p["check"] == "damaged" and on_disk.get(p["path"]))
    checks.append(("library: every damaged file made is reported damaged, and no other",
                   reply.get("damaged") == damaged == listed_damaged,
                   f"{reply.get('damaged')} reported, {damaged} made"))
    inside = sum(1 for p in reply.get("programs", []) if p["inside"])
    checks.append(("library: lists every program inside the backups", inside == in_backups and
                   reply.get("total") == len(on_disk) + in_backups and reply.get("truncated") is False,
                   f"{inside:,} of {in_backups:,}"))

    # Peak memory at the two sizes against the reply's own bytes (as printed).
    entries = [sum(1 for _ in expected[k][0]) + expected[k][1] for k in (0, 1)]
    reply_kb, rss = [], []
    for k in (0, 1):
        reply_kb.append(len(out_of(library_cmd, env=env_home(homes[k]))) / 1024)
        tool = {"label": "library", "cmd": library_cmd, "env": env_home(homes[k])}
        rss.append(statistics.median(runner.once(tool)[1] for _ in range(3)))
    span = entries[1] - entries[0]
    growth = {"label": "velmorin library", "rss": tuple(rss), "entries": tuple(entries),
              "per100k": (rss[1] - rss[0]) / span * 100_000, "need": (reply_kb[1] - reply_kb[0]) / span * 100_000,
              "reply_kb": tuple(reply_kb)}
    growth["met"] = growth["per100k"] <= growth["need"] + MEM_SLACK_KB
    big_bytes = sum(os.path.getsize(p) for p in on_disk if os.path.getsize(p) > (1 << 20))
    all_bytes = sum(os.path.getsize(p) for p in on_disk)
    desc = (f"{len(on_disk):,} program files ({all_bytes / 1e6:.1f} MB, of which {big_bytes / 1e6:.1f} MB in the "
            f"{sum(1 for p in on_disk if os.path.getsize(p) > (1 << 20))} pianos over 1 MiB; {damaged} damaged) in "
            f"{len({os.path.dirname(p) for p in on_disk}):,} folders, 12 backups holding {in_backups} more; "
            f"smaller tree for memory: {entries[0]:,} programs")
    return {"warm": warm, "cold": cold, "checks": checks, "growth": growth, "tools": tools, "desc": desc,
            "home": home}


def library_lines(lib, show):
    """The library's part of the report."""
    warm, cold, growth = lib["warm"], lib["cold"], lib["growth"]
    ours, peer = warm["velmorin library"], warm["find + cksum"]
    rw = ours["median"] / peer["median"]
    rc = cold["velmorin library"]["median"] / cold["find + cksum"]["median"] if cold else None
    met = rw <= GOALS["library/find"] and (rc is None or rc <= GOALS["library/find"])
    cold_ours = f" / {fmt_s(cold['velmorin library']['median'])} cold" if cold else ""
    cold_peer = f" / {fmt_s(cold['find + cksum']['median'])} cold" if cold else ""
    lines = ["### Library\n",
             f"Data: {lib['desc']}.\n",
             "| task | ours | ours median | peer | peer median | ratio warm | ratio cold | goal | met |",
             "|---|---|---:|---|---:|---:|---:|---:|---|",
             f"| library | velmorin library | {fmt_s(ours['median'])}{cold_ours} | find + cksum | "
             f"{fmt_s(peer['median'])}{cold_peer} | {rw:.2f} | {f'{rc:.2f}' if rc is not None else '-'} | "
             f"≤ {GOALS['library/find']} | {'yes' if met else 'no'} |",
             "",
             f"Peak memory {fmt_mb(growth['rss'][0])} → {fmt_mb(growth['rss'][1])} for {growth['entries'][0]:,} → "
             f"{growth['entries'][1]:,} programs, while the reply grew from {growth['reply_kb'][0] / 1024:.1f} to "
             f"{growth['reply_kb'][1] / 1024:.1f} MiB: {growth['per100k'] / 1024:.2f} MiB per 100,000 programs "
             f"against the reply's {growth['need'] / 1024:.2f} (goal: at most the reply's growth + 1 MiB per 100,000: "
             f"{'met' if growth['met'] else 'missed'}).\n"]
    return lines, (rw, rc, met)


def run(args, quick, write_readme, app, driver, minimal, tmp):
    seed = args.seed
    scales = (0.05, 0.2) if quick else (0.5, 1.0)
    reps = {"fast": 5 if quick else 9, "copy": 3 if quick else 5, "archive": 3, "cold": 3,
            "start": 50 if quick else 300, "window": 3 if quick else 9}
    results_dir = Path(tempfile.mkdtemp(prefix="velmorin-bench-results.", dir=tmp.parent))
    machine = machine_info(tmp)
    runner = Runner(tmp, not args.no_cold)
    cold_ok = not args.no_cold and Runner.drop_caches()
    if not args.no_cold and not cold_ok:
        log("cannot drop the page cache here (not root?): cold-cache runs skipped")

    def env_home(h):
        env = {k: v for k, v in os.environ.items() if not k.startswith("XDG_")}
        env.update(HOME=str(h), LC_ALL="C.UTF-8")
        return env

    if args.only == "library":
        log("library (alone)")
        lib = library_bench(app, tmp, seed, quick, runner, cold_ok, reps, env_home)
        lines, (rw, rc, met) = library_lines(lib, None)
        for what, ok, detail in lib["checks"]:
            lines.append(f"- {'PASS' if ok else 'FAIL'} {what}{': ' + detail if detail else ''}")
        lines.append("\n```")
        for t in lib["tools"]:
            env = " HOME=" + t["env"]["HOME"] if t.get("env") else ""
            lines.append(f"{t['label']}:{env} {shlex.join(t['cmd'])}")
        lines.append("```")
        lines.append(f"load average {' '.join(machine['load'])} at the start, "
                     f"{' '.join(Path('/proc/loadavg').read_text().split()[:3])} at the end")
        report = "\n".join(lines) + "\n"
        print(report)
        (results_dir / "results.md").write_text(report)
        (results_dir / "results.json").write_text(json.dumps({k: v for k, v in lib.items() if k != "tools"},
                                                             indent=1, default=str))
        log(f"results in {results_dir}")
        if not all(ok for _, ok, _ in lib["checks"]):
            sys.exit(1)
        return

    # ------------------------------------------------ data
    log("making the test trees")
    t0 = time.perf_counter()
    homes = []
    for k, scale in enumerate(scales):
        home = tmp / f"home-{k}"
        entries = HomeBuilder(home, scale, seed).build()
        homes.append({"path": home, "entries": entries})
    home = homes[-1]["path"]
    roots = [home / "Desktop", home / "Documents", home / "Downloads"]
    progs = tmp / "data" / "Nord Stage 3 Programs"
    big = [12 << 20] if quick else [24 << 20, 32 << 20, 40 << 20]
    prog_files = make_program_folder(progs, 200 if quick else 2000, big, seed)
    prog_list = home / "Documents" / "Nord" / "Stage 3 Backup" / "Nord Stage 3 Program List.html"
    mixed = tmp / "data" / "Stage Export"
    mixed_files = make_mixed_folder(mixed, (30 if quick else 300) << 20, seed)
    small_counts = (2000, 10_000) if quick else (10_000, 50_000)
    smalls = []
    for k, count in enumerate(small_counts):
        folder = tmp / f"small-{k}" / "Patches"
        make_small_programs(folder, count, seed + k)
        smalls.append(folder)
    work = tmp / "work"
    work.mkdir()
    os.sync()
    log(f"  done in {time.perf_counter() - t0:.0f} s")

    progs_bytes, _ = sum_sizes(progs, ["-type", "f"])
    mixed_bytes, _ = sum_sizes(mixed, ["-type", "f"])
    reach = [len(find_listing([h["path"] / r for r in ("Desktop", "Documents", "Downloads")])) for h in homes]
    data_desc = {
        "home": f"{homes[-1]['entries']:,} entries under Desktop, Documents, Downloads ({reach[-1]:,} within the "
                f"scan's depth of 3, hidden folders left out); smaller tree for memory growth: "
                f"{homes[0]['entries']:,} ({reach[0]:,})",
        "progs": f"{prog_files:,} .ns3f files, {progs_bytes / 1e6:.0f} MB ({len(big)} of them "
                 f"{', '.join(str(b >> 20) for b in big)} MiB)",
        "mixed": f"{mixed_files:,} files in 31 folders, {mixed_bytes / 1e6:.0f} MB (text-, binary- and "
                 f"compressed-like thirds)",
        "small": f"{small_counts[0]:,} and {small_counts[1]:,} program files of 0.5-2.5 kB",
    }

    def fresh(path):
        def clear():
            if os.path.lexists(path):
                if os.path.isdir(path) and not os.path.islink(path):
                    shutil.rmtree(path)
                else:
                    os.unlink(path)
        return clear

    checks = []  # (what, ok, detail)
    warm, cold, rss_main = {}, {}, {}

    def record(group, res, into):
        into.setdefault(group, {}).update(res)
        for label, r in res.items():
            rss_main.setdefault(label, r["rss"])

    # ------------------------------------------------ scan
    log("scan")
    scan_env = env_home(home)
    find_cmd = ["find", *map(str, roots), "-maxdepth", "3", "-name", ".*", "-prune", "-o", "-printf",
                r"%y %s %T@ %p\n"]
    fd_cmd = ["fdfind", "-I", "-d", "3", "-S", "+0b", ".", *map(str, roots)]
    scan_tools = [
        {"label": "find", "cmd": find_cmd},
        {"label": "fdfind", "cmd": fd_cmd},
        {"label": "velmorin scan", "cmd": [str(app), "--command", "scan", '{"since": 0}'], "env": scan_env},
    ]
    record("scan", runner.compare(scan_tools, reps["fast"]), warm)
    if cold_ok:
        record("scan", runner.compare(scan_tools, reps["cold"], cold=True), cold)

    rows = find_listing(roots)
    expected, find_progs = reference_scan(rows, roots)
    reply = json.loads(out_of([str(app), "--command", "scan", '{"since": 0}'], env=scan_env))
    driver_reply = json.loads(out_of([str(driver), "scan", str(home)]))
    got = {"progs": {k: reply.get("progs", {}).get(k) for k in ("dir", "ext", "count", "size", "model")},
           "list": {k: reply.get("list", {}).get(k) for k in ("path", "size")}}
    checks.append(("scan: program folder, extension, count, size and model as worked out from find's listing",
                   got["progs"] == expected.get("progs"),
                   f"{got['progs']['dir'].replace(str(tmp), '$T') if got['progs']['dir'] else None}: "
                   f"{got['progs']['count']} .{got['progs']['ext']} (expected {expected['progs']['count']})"))
    checks.append(("scan: newest program list as worked out from find's listing", got["list"] == expected.get("list"),
                   f"{(got['list']['path'] or '').replace(str(tmp), '$T')}"))
    checks.append(("scan: the bench driver's scan gives the command's reply", driver_reply == reply, ""))
    fd_paths = set(out_of(fd_cmd).split(b"\n")) - {b""}
    fd_progs = {p for p in fd_paths if lower_ext(p.rpartition(b"/")[2].decode(errors="replace")) in PROG_EXT}
    checks.append(("scan: find and fdfind list the same program files", fd_progs == find_progs,
                   f"{len(find_progs):,} program files within depth 3 (before leaving out packages)"))
    top_dir = expected["progs"]["dir"].encode()
    in_top = sum(1 for p in find_progs if p.rpartition(b"/")[0] == top_dir and visible_to_scan(p, roots))
    checks.append(("scan: find lists the reported folder's visible program files", in_top ==
                   sum(1 for n in os.listdir(top_dir) if not n.startswith(b".") and lower_ext(n.decode(errors="replace")) == "ns3f"),
                   f"{in_top} visible + {expected['progs']['count'] - in_top} hidden AppleDouble copies"))

    # ------------------------------------------------ library
    log("library")
    lib = library_bench(app, tmp, seed, quick, runner, cold_ok, reps, env_home)
    checks += lib["checks"]
    record("library", lib["warm"], warm)
    shutil.rmtree(tmp / "library-0", ignore_errors=True)
    shutil.rmtree(tmp / "library-1", ignore_errors=True)

    # ------------------------------------------------ folder size
    log("folder size")
    size_tools = [
        {"label": "du -sb", "cmd": ["du", "-sb", str(home)]},
        {"label": "velmorin size", "cmd": [str(driver), "size", str(home)]},
    ]
    record("size", runner.compare(size_tools, reps["fast"]), warm)
    if cold_ok:
        record("size", runner.compare(size_tools, reps["cold"], cold=True), cold)
    ours = int(out_of([str(driver), "size", str(home)]))
    du_total = int(out_of(["du", "-sb", str(home)]).split()[0])
    files_total, _ = sum_sizes(home, ["!", "-type", "d"])
    folders_total, _ = sum_sizes(home, ["-type", "d"])
    checks.append(("size: equals the sum of find's non-folder sizes", ours == files_total, f"{ours:,} bytes"))
    checks.append(("size: du -sb minus the folders' own sizes gives the same total", du_total - folders_total == ours,
                   f"du -sb {du_total:,} - folders {folders_total:,}"))

    # ------------------------------------------------ copy
    log("copy")
    copies = {"cp -r": work / "cp", "cp -r + sync": work / "cp-sync", "velmorin copy": work / "copy",
              "velmorin copy-and-swap": work / "model"}
    # The install's swap makes the new folder durable before it takes the old
    # one's place (syncfs); its like-for-like peer is a copy followed by sync.
    copy_tools = [
        {"label": "cp -r", "cmd": ["cp", "-r", str(progs), str(copies["cp -r"])], "before": fresh(copies["cp -r"]),
         "sync": True},
        {"label": "cp -r + sync", "cmd": ["sh", "-c", 'cp -r "$0" "$1" && sync -f "$1"', str(progs),
                                          str(copies["cp -r + sync"])],
         "before": fresh(copies["cp -r + sync"]), "sync": True},
        {"label": "velmorin copy", "cmd": [str(driver), "copy", str(progs), str(copies["velmorin copy"])],
         "before": fresh(copies["velmorin copy"]), "sync": True},
        {"label": "velmorin copy-and-swap", "cmd": [str(driver), "stage", str(progs), "ns3f",
                                                    str(copies["velmorin copy-and-swap"])],
         "before": fresh(copies["velmorin copy-and-swap"]), "sync": True},
    ]
    record("copy", runner.compare(copy_tools, reps["copy"]), warm)
    if cold_ok:
        record("copy", runner.compare(copy_tools, reps["cold"], cold=True), cold)
    checks.append(("copy: cp -r's copy equals the source", same_tree(progs, copies["cp -r"]), ""))
    checks.append(("copy: copyTree's copy equals the source", same_tree(progs, copies["velmorin copy"]), ""))
    staged = copies["velmorin copy-and-swap"] / "Programs (.ns3f)"
    checks.append(("copy: the copy-and-swap's program folder equals the source", same_tree(progs, staged), ""))
    for c in copies.values():
        fresh(c)()

    # ------------------------------------------------ archives
    archive_sizes, archive_names = {}, {}

    def archive_group(group, source, top_entry, ours_tool, reps_n):
        out = work / group
        out.mkdir(exist_ok=True)
        paths = {"zip -6": out / "zip.zip", "7zz": out / "7zz.zip", "bsdtar": out / "bsdtar.zip"}
        parent, name = str(source.parent), source.name
        if top_entry:
            peers = [
                {"label": "zip -6", "cmd": ["zip", "-q", "-r", "-6", str(paths["zip -6"]), name], "cwd": parent},
                {"label": "7zz", "cmd": ["7zz", "a", "-tzip", "-mx=5", "-mmt=on", str(paths["7zz"]), name],
                 "cwd": parent},
                {"label": "bsdtar", "cmd": ["bsdtar", "--format", "zip", "-cf", str(paths["bsdtar"]), "-C", parent,
                                            name]},
            ]
        else:
            peers = [
                {"label": "zip -6", "cmd": ["zip", "-q", "-r", "-6", str(paths["zip -6"]), "."], "cwd": str(source)},
                {"label": "7zz", "cmd": ["7zz", "a", "-tzip", "-mx=5", "-mmt=on", str(paths["7zz"]), "."],
                 "cwd": str(source)},
                {"label": "bsdtar", "cmd": ["bsdtar", "--format", "zip", "-cf", str(paths["bsdtar"]), "-C",
                                            str(source), "."]},
            ]
        for p in peers:
            p["before"], p["sync"] = fresh(paths[p["label"]]), True
        paths[ours_tool["label"]] = ours_tool["archive"]
        ours_tool["before"], ours_tool["sync"] = fresh(ours_tool["archive"]), True
        record(group, runner.compare(peers + [ours_tool], reps_n), warm)
        expected_names = {str(Path(name) / f) if top_entry else f for f in tree_files(source)}
        for label, path in paths.items():
            ok, text = zip_check(path)
            names = zip_names(path)
            archive_sizes[(group, label)] = path.stat().st_size
            archive_names[(group, label)] = len(names)
            checks.append((f"{group}: {label}'s archive passes unzip -tq and holds every file",
                           ok and names == expected_names, f"{len(names):,} files" + ("" if ok else f"; {text}")))
            fresh(path)()

    log("archive (the install's, contents at top)")
    archive_group("archive", progs, False,
                  {"label": "velmorin archive", "cmd": [str(driver), "archive", str(progs), str(work / "ours.zip")],
                   "archive": work / "ours.zip"}, reps["archive"])

    log("zip command (folder as the top entry)")
    zip_home = tmp / "zip-home"
    (zip_home / "Desktop").mkdir(parents=True)
    archive_group("zipcmd", mixed, True,
                  {"label": "velmorin zip", "cmd": [str(app), "--command", "zip", json.dumps({"path": str(mixed)})],
                   "env": env_home(zip_home), "archive": zip_home / "Desktop" / "Velmorin.zip"}, reps["archive"])

    # ------------------------------------------------ full install and self-test
    log("install and self-test")
    dest = work / "dest"
    install_args = json.dumps({"dest": str(dest), "model": "Nord Stage 3", "list": str(prog_list),
                               "progs": str(progs), "ext": "ns3f"})
    selftest_dest = work / "selftest"
    whole = [
        {"label": "velmorin install", "cmd": [str(app), "--command", "install", install_args],
         "env": env_home(home), "before": fresh(dest), "sync": True},
        {"label": "velmorin --selftest", "cmd": [str(app), "--selftest", str(home / "Documents"), str(selftest_dest)],
         "env": env_home(home), "before": fresh(selftest_dest), "sync": True},
    ]
    record("install", runner.compare(whole, reps["archive"]), warm)
    reply = json.loads(out_of([str(app), "--command", "install", install_args], env=env_home(home)))
    model_folder = dest / "Nord Stage 3"
    archives = sorted(model_folder.glob("*.zip"))
    checks.append(("install: reply ok, every program copied, one archive of them",
                   reply.get("ok") is True and reply.get("count") == prog_files and len(archives) == 1
                   and same_tree(progs, model_folder / "Programs (.ns3f)")
                   and archives and zip_names(archives[0]) == tree_files(progs),
                   f"count {reply.get('count')}, {len(archives)} archive"))
    fresh(dest)()
    fresh(selftest_dest)()

    # ------------------------------------------------ start-up
    log("start-up")
    start_home = tmp / "start-home"
    (start_home / "Desktop").mkdir(parents=True)
    # One Stage 3 program whose sheet is read: the sounds table only when it names a piano or sample.
    sound_rng = random.Random(seed + 7)
    program = start_home / "Desktop" / "Grand.ns3f"
    program.write_bytes(nord_file(sound_rng, "ns3f", 1, KNOWN_SIZES["ns3f"][1],
                                  preset_bytes(random.Random(seed + 8), 1 << 16)))
    start_tools = [
        {"label": "velmorin-sync --version", "cmd": [str(app), "--version"], "env": env_home(start_home)},
        {"label": "velmorin-sync --command info", "cmd": [str(app), "--command", "info"], "env": env_home(start_home)},
        {"label": "velmorin-sync --command sound", "env": env_home(start_home),
         "cmd": [str(app), "--command", "sound", json.dumps({"path": str(program)})]},
        {"label": "true", "cmd": ["true"]},
    ]
    record("start", runner.compare(start_tools, 3), warm)  # peak memory; times come from hyperfine below
    for label, r in time_starts(start_tools, reps["start"], tmp).items():
        warm["start"][label]["median"] = r
    window_runs = None
    if minimal and shutil.which("Xvfb"):
        log("window start-up")
        window_runs = time_windows(app, minimal, tmp, env_home(start_home), reps["window"])

    # ------------------------------------------------ memory growth
    log("memory growth with the number of entries")
    growth = []

    def rss_of(tool, n=3):
        return statistics.median(runner.once(tool)[1] for _ in range(n))

    def grow(label, entries, make_tool, need_kb=(0, 0)):
        a, b = (rss_of(make_tool(k)) for k in (0, 1))
        per = (b - a) / (entries[1] - entries[0]) * 100_000
        need = (need_kb[1] - need_kb[0]) / (entries[1] - entries[0]) * 100_000
        growth.append({"label": label, "rss": (a, b), "entries": entries, "per100k": per, "need": need})

    home_reach = reach
    home_all = [h["entries"] for h in homes]
    grow("velmorin scan", home_reach, lambda k: {"label": "scan", "cmd": [str(app), "--command", "scan", '{"since": 0}'],
                                                 "env": env_home(homes[k]["path"])})
    grow("find (scan's question)", home_reach, lambda k: {"label": "find", "cmd": [
        "find", *[str(homes[k]["path"] / r) for r in ("Desktop", "Documents", "Downloads")], "-maxdepth", "3",
        "-name", ".*", "-prune", "-o", "-printf", r"%y %s %T@ %p\n"]})
    grow("fdfind (scan's question)", home_reach, lambda k: {"label": "fd", "cmd": [
        "fdfind", "-I", "-d", "3", "-S", "+0b", ".", *[str(homes[k]["path"] / r) for r in ("Desktop", "Documents", "Downloads")]]})
    grow("velmorin size", home_all, lambda k: {"label": "size", "cmd": [str(driver), "size", str(homes[k]["path"])]})
    grow("du -sb", home_all, lambda k: {"label": "du", "cmd": ["du", "-sb", str(homes[k]["path"])]})
    small_entries = list(small_counts)
    grow("velmorin copy", small_entries, lambda k: {"label": "copy", "cmd": [str(driver), "copy", str(smalls[k]),
                                                                            str(work / "c")], "before": fresh(work / "c")})
    grow("velmorin copy-and-swap", small_entries, lambda k: {"label": "stage", "cmd": [
        str(driver), "stage", str(smalls[k]), "ns3f", str(work / "s")], "before": fresh(work / "s")})
    grow("cp -r", small_entries, lambda k: {"label": "cp", "cmd": ["cp", "-r", str(smalls[k]), str(work / "p")],
                                            "before": fresh(work / "p")})
    # An archive's central directory (one record per file) has to be held
    # until the end: that much growth is the format's, not waste.
    # The zip command keeps the folder as the top entry: its names, and so its
    # central directory, are longer.
    def central_directories(*layout):
        sizes = []
        for k in (0, 1):
            sh([str(driver), "archive", str(smalls[k]), str(work / "cd.zip"), *layout], stdout=subprocess.DEVNULL)
            sizes.append(central_directory_size(work / "cd.zip") / 1024)
            fresh(work / "cd.zip")()
        return sizes
    cds, cds_top = central_directories(), central_directories("--top")
    grow("velmorin archive", small_entries, lambda k: {"label": "archive", "cmd": [
        str(driver), "archive", str(smalls[k]), str(work / "a.zip")], "before": fresh(work / "a.zip")}, cds)
    grow("velmorin install", small_entries, lambda k: {"label": "install", "cmd": [
        str(app), "--command", "install", json.dumps({"dest": str(work / "i"), "progs": str(smalls[k]), "ext": "ns3f",
                                                      "model": "Nord Stage 3"})],
        "env": env_home(home), "before": fresh(work / "i")}, cds)
    zip_small_home = tmp / "zip-home-small"
    (zip_small_home / "Desktop").mkdir(parents=True)
    grow("velmorin zip", small_entries, lambda k: {"label": "zipcmd", "cmd": [
        str(app), "--command", "zip", json.dumps({"path": str(smalls[k])})], "env": env_home(zip_small_home),
        "before": fresh(zip_small_home / "Desktop" / "Velmorin.zip")}, cds_top)
    grow("zip -6", small_entries, lambda k: {"label": "zip", "cmd": ["zip", "-q", "-r", "-6", str(work / "z.zip"), "."],
                                             "cwd": str(smalls[k]), "before": fresh(work / "z.zip")}, cds)
    for g in growth:
        g["met"] = None if not g["label"].startswith("velmorin") else g["per100k"] <= g["need"] + MEM_SLACK_KB
    growth.append(lib["growth"])
    fresh(work / "z.zip")()

    machine["load_end"] = Path("/proc/loadavg").read_text().split()[:3]

    # ------------------------------------------------ report
    def ratio(group, ours, peer, table):
        if group not in table or ours not in table[group] or peer not in table[group]:
            return None
        return table[group][ours]["median"] / table[group][peer]["median"]

    comparisons = [
        # (goal key, group, ours, peer, plot label)
        ("scan/find", "scan", "velmorin scan", "find", "scan / find"),
        ("scan/fdfind", "scan", "velmorin scan", "fdfind", "scan / fdfind"),
        ("size/du", "size", "velmorin size", "du -sb", "folder size / du -sb"),
        ("stage/cp", "copy", "velmorin copy-and-swap", "cp -r + sync", "install copy-and-swap / cp -r + sync"),
        (None, "copy", "velmorin copy-and-swap", "cp -r", "install copy-and-swap / cp -r"),
        (None, "copy", "velmorin copy", "cp -r", "copyTree / cp -r"),
        ("archive/zip", "archive", "velmorin archive", "zip -6", "install archive / zip -6"),
        (None, "archive", "velmorin archive", "7zz", "install archive / 7zz"),
        (None, "archive", "velmorin archive", "bsdtar", "install archive / bsdtar"),
        ("zipcmd/zip", "zipcmd", "velmorin zip", "zip -6", "zip command / zip -6"),
        (None, "zipcmd", "velmorin zip", "7zz", "zip command / 7zz"),
        (None, "zipcmd", "velmorin zip", "bsdtar", "zip command / bsdtar"),
    ]
    plot_rows, lines = [], []
    T = str(tmp)

    def show(cmd):
        return " ".join(("'" + c + "'") if (" " in c or "%" in c or "{" in c or "*" in c or c in "()") else c
                        for c in (x.replace(T, "$T") for x in cmd))

    lines.append(f"Run of {machine['date']} ({'--quick' if quick else 'full'}, seed {seed}), commit {machine['commit']}.\n")
    lines.append("**Machine:** " + f"{machine['nproc']} CPUs ({machine['cpu']}), {machine['memory']} memory, "
                 f"Linux {machine['kernel']}, temporary folder `{machine['tmp']}` on {machine['fs']}; load average "
                 f"{' '.join(machine['load'])} at the start, {' '.join(machine['load_end'])} at the end "
                 f"(the machine is shared with other work: the ratios matter, not the times).\n")
    lines.append("```")
    lines.append(f"$ nproc\n{machine['nproc']}\n$ lscpu | head\n{machine['lscpu']}\n$ uname -r\n{machine['kernel']}")
    lines.append(f"$ findmnt -T $T; lsblk -d\n{machine['disk']}")
    lines.append("```\n")
    lines.append("**Data** (made from the seed in `$T`, the temporary folder):\n")
    lines.append(f"- home tree `$T/home-1`: {data_desc['home']}")
    lines.append(f"- program folder `$T/data/Nord Stage 3 Programs`: {data_desc['progs']}")
    lines.append(f"- folder for the zip command `$T/data/Stage Export`: {data_desc['mixed']}")
    lines.append(f"- memory growth: {data_desc['small']}")
    lines.append(f"- library home `$T/library-1`: {lib['desc']}\n")

    lines.append("### Time: medians and ratios\n")
    lines.append("| task | ours | ours median | peer | peer median | ratio warm | ratio cold | goal | met |")
    lines.append("|---|---|---:|---|---:|---:|---:|---:|---|")
    summary = []
    for key, group, ours, peer, label in comparisons:
        rw, rc = ratio(group, ours, peer, warm), ratio(group, ours, peer, cold)
        if rw is None:
            continue
        goal = GOALS.get(key)
        met = None if goal is None else (rw <= goal and (rc is None or rc <= goal))
        size_note = ""
        if group in ("archive", "zipcmd"):
            s_ours, s_peer = archive_sizes[(group, ours)], archive_sizes[(group, peer)]
            if peer == "zip -6":
                size_ok = s_ours <= SIZE_GOAL * s_peer
                met = met and size_ok
                size_note = f"; size {s_ours / s_peer:.3f}x"
        cold_text = f"{rc:.2f}" if rc is not None else "-"
        cold_med = f" / {fmt_s(cold[group][ours]['median'])} cold" if rc is not None else ""
        cold_peer = f" / {fmt_s(cold[group][peer]['median'])} cold" if rc is not None else ""
        lines.append(f"| {label.split(' / ')[0]} | {ours} | {fmt_s(warm[group][ours]['median'])}{cold_med} | {peer} | "
                     f"{fmt_s(warm[group][peer]['median'])}{cold_peer} | {rw:.2f} | {cold_text} | "
                     f"{'≤ ' + str(goal) if goal else 'info'}{' (size ≤ 1.05x)' if size_note else ''} | "
                     f"{'-' if met is None else ('yes' if met else 'no')}{size_note} |")
        plot_rows.append({"label": label, "warm": rw, "cold": rc, "goal": goal})
        if goal is not None:
            summary.append((label, rw, rc, goal, met))
    inst = warm["install"]["velmorin install"]["median"]
    parts = warm["copy"]["velmorin copy-and-swap"]["median"] + warm["archive"]["velmorin archive"]["median"]
    peers_pipeline = warm["copy"]["cp -r"]["median"] + warm["archive"]["zip -6"]["median"]
    lines.append(f"| install (whole command) | velmorin install | {fmt_s(inst)} | cp -r + zip -6 | "
                 f"{fmt_s(peers_pipeline)} | {inst / peers_pipeline:.2f} | - | info | - |")
    lines.append(f"\nThe whole install took {fmt_s(inst)}; its copy-and-swap and archive measured apart add up to "
                 f"{fmt_s(parts)}. The self-test (`--selftest $T/home-1/Documents DEST`: info, nord, scan, install of "
                 f"{expected['progs']['count']} programs found) took "
                 f"{fmt_s(warm['install']['velmorin --selftest']['median'])} in total (median of {reps['archive']}).\n")

    library_part, (lib_rw, lib_rc, lib_met) = library_lines(lib, show)
    lines += library_part
    plot_rows.append({"label": "library / find + cksum", "warm": lib_rw, "cold": lib_rc, "goal": GOALS["library/find"]})
    summary.append(("library / find + cksum", lib_rw, lib_rc, GOALS["library/find"], lib_met))

    lines.append("### Start-up\n")
    lines.append("The command line never loads GTK or WebKit (the window is another program that it hands over to), "
                 "and opens GIO only when something goes to the Trash. Times are hyperfine's medians of "
                 f"{reps['start']} starts (`hyperfine -N`, no shell; `true` shows what starting any program costs); "
                 "memory is `/usr/bin/time`'s.\n")
    lines.append("| program | median | max RSS | goal | met |")
    lines.append("|---|---:|---:|---|---|")
    version = warm["start"]["velmorin-sync --version"]
    version_met = version["median"] <= START_GOAL_S and version["rss"] <= START_GOAL_KIB
    sound = warm["start"]["velmorin-sync --command sound"]
    sound_ratio = sound["median"] / version["median"]
    sound_met = sound_ratio <= SOUND_GOAL
    for label, r in warm["start"].items():
        goal, met = "info", "-"
        if label.endswith("--version"):
            goal = f"≤ {START_GOAL_S * 1000:.0f} ms, ≤ {START_GOAL_KIB // 1024} MB"
            met = "yes" if version_met else "no"
        elif label.endswith("sound"):
            goal = f"≤ {SOUND_GOAL:g} × --version (here {sound_ratio:.2f})"
            met = "yes" if sound_met else "no"
        lines.append(f"| {label} | {fmt_s(r['median'])} | {fmt_mb(r['rss'])} | {goal} | {met} |")
    summary.append(("--version start, share of 5 ms", version["median"] / START_GOAL_S, None, 1.0, version_met))
    summary.append(("sound / --version", sound_ratio, None, SOUND_GOAL, sound_met))
    if window_runs:
        ours, bare = window_runs["velmorin window"], window_runs["minimal WebKitGTK window"]
        ratio_window = ours["median"] / bare["median"]
        window_met = ratio_window <= WINDOW_GOAL
        lines.append(f"\nWindow, from start to the page showing the status report, under Xvfb (median of "
                     f"{len(ours['runs'])}, the two interleaved): **{fmt_s(ours['median'])}** against "
                     f"{fmt_s(bare['median'])} for a bare WebKitGTK window showing a static page of the same size "
                     f"({window_runs['page_bytes']:,} bytes): ratio **{ratio_window:.2f}** (goal ≤ {WINDOW_GOAL}: "
                     f"{'met' if window_met else 'missed'}). Resident memory of the window and its WebKit processes "
                     f"then: {fmt_mb(ours['rss'])} (the bare window: {fmt_mb(bare['rss'])}).\n")
        summary.append(("window start / bare WebKitGTK window", ratio_window, None, WINDOW_GOAL, window_met))
    else:
        lines.append("\nWindow start-up: not measured (no window build or no Xvfb on this machine).\n")

    lines.append("### Archives\n")
    lines.append("| archive | tool | bytes | vs zip -6 | files | unzip -tq |")
    lines.append("|---|---|---:|---:|---:|---|")
    for group, title in (("archive", "install's (contents at top)"), ("zipcmd", "zip command's (folder at top)")):
        for label in ("zip -6", "7zz", "bsdtar", "velmorin archive" if group == "archive" else "velmorin zip"):
            size = archive_sizes[(group, label)]
            lines.append(f"| {title} | {label} | {size:,} | {size / archive_sizes[(group, 'zip -6')]:.3f} | "
                         f"{archive_names[(group, label)]:,} | ok |")

    lines.append("\n### Peak memory (max RSS, median of the timed warm runs)\n")
    lines.append("| tool | data | max RSS |")
    lines.append("|---|---|---:|")
    for group, data in (("scan", "home tree"), ("size", "home tree"), ("copy", "program folder"),
                        ("archive", "program folder"), ("zipcmd", "folder for the zip command"),
                        ("install", "program folder / home tree's Documents"), ("library", "library home"),
                        ("start", "none")):
        for label, r in warm[group].items():
            lines.append(f"| {label} | {data} | {fmt_mb(r['rss'])} |")

    lines.append("\n### Memory growth with the number of entries\n")
    lines.append("Peak RSS at two sizes of the same kind of data; growth per 100,000 entries (for the scan: entries "
                 "within its reach; for the archives, the central directory that the zip format must hold until the "
                 "end is the part the output needs). Goal: at most that need + 1 MiB per 100,000 entries.\n")
    lines.append("| command | entries | max RSS | growth per 100k entries | of which the output needs | met |")
    lines.append("|---|---|---|---:|---:|---|")
    for g in growth:
        lines.append(f"| {g['label']} | {g['entries'][0]:,} → {g['entries'][1]:,} | {fmt_mb(g['rss'][0])} → "
                     f"{fmt_mb(g['rss'][1])} | {g['per100k'] / 1024:.2f} MiB | {g['need'] / 1024:.2f} MiB | "
                     f"{'-' if g['met'] is None else ('yes' if g['met'] else 'no')} |")

    lines.append("\n### Checks\n")
    for what, ok, detail in checks:
        lines.append(f"- {'PASS' if ok else 'FAIL'} {what}{': ' + detail if detail else ''}")

    lines.append("\n### Commands (timed, each a process of its own)\n")
    shown = scan_tools + lib["tools"] + size_tools + copy_tools + whole
    lines.append("```")
    for t in shown:
        env = " HOME=" + t["env"]["HOME"].replace(T, "$T") if t.get("env") else ""
        lines.append(f"{t['label']}:{env} {show(t['cmd'])}")
    lines.append("archives (install's): zip -q -r -6 OUT . | 7zz a -tzip -mx=5 -mmt=on OUT . | "
                 "bsdtar --format zip -cf OUT -C SRC . | velmorin_bench archive SRC OUT  (SRC = program folder, "
                 "run inside it)")
    lines.append("zip command: zip -q -r -6 OUT NAME | 7zz a -tzip -mx=5 -mmt=on OUT NAME | bsdtar --format zip -cf OUT "
                 "-C PARENT NAME | HOME=$T/zip-home velmorin-sync --command zip '{\"path\": SRC}'")
    lines.append("```")
    lines.append(f"Warm: one untimed run of each tool, then {reps['fast']} rounds (scan, library, size), {reps['copy']} (copy) or "
                 f"{reps['archive']} (archives, install), the order rotating each round; `sync` before each run that "
                 f"writes. Cold: `echo 3 > /proc/sys/vm/drop_caches` before each of {reps['cold']} rounds"
                 f"{'' if cold_ok else ' (not possible on this machine: skipped)'}. Peak memory: `/usr/bin/time -f %M`.")

    report = "\n".join(lines) + "\n"
    print(report)
    goal_lines = ["Goals:"]
    for label, rw, rc, goal, met in summary:
        goal_lines.append(f"  {'met   ' if met else 'MISSED'} {label}: {rw:.2f} warm"
                          f"{f', {rc:.2f} cold' if rc is not None else ''} (goal ≤ {goal})")
    for g in growth:
        if g["met"] is not None:
            goal_lines.append(f"  {'met   ' if g['met'] else 'MISSED'} memory {g['label']}: "
                              f"{g['per100k'] / 1024:.2f} MiB per 100k entries (output needs {g['need'] / 1024:.2f})")
    failed = [c for c in checks if not c[1]]
    goal_lines.append(f"Checks: {len(checks) - len(failed)} passed, {len(failed)} failed")
    print("\n".join(goal_lines))

    png = (BENCH if write_readme else results_dir) / "ratios.png"
    plot(plot_rows, png, results_dir)
    (results_dir / "results.md").write_text(report)
    (results_dir / "results.json").write_text(json.dumps({"warm": warm, "cold": cold, "growth": growth,
                                                          "archive_sizes": {f"{g}|{l}": s for (g, l), s in
                                                                            archive_sizes.items()},
                                                          "machine": machine}, indent=1, default=str))
    if write_readme:
        readme = BENCH / "README.md"
        text = readme.read_text() if readme.exists() else "<!-- results:begin -->\n<!-- results:end -->\n"
        begin, end = "<!-- results:begin -->", "<!-- results:end -->"
        head, rest = text.split(begin, 1)
        tail = rest.split(end, 1)[1]
        readme.write_text(f"{head}{begin}\n{report}\n![ratios](ratios.png)\n\n{end}{tail}")
        log(f"wrote {readme} and {png}")
    log(f"results in {results_dir}")
    if failed:
        sys.exit(1)


if __name__ == "__main__":
    main()
