#!/usr/bin/env python3
"""The desktop data agree with the validators, with each other and with the
program: one application id, the README's screenshots, this version, and a
manual that names every option and command of --help.

Usage: check_data.py SOURCE_DIR APP_ID VERSION PROGRAM
"""
import pathlib
import re
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET

source, app_id, version, program = sys.argv[1:5]
source = pathlib.Path(source)
data = source / "data"
failures = []


def check(ok, message):
    if not ok:
        failures.append(message)


def run(*command):
    done = subprocess.run(command, capture_output=True, text=True)
    output = (done.stdout + done.stderr).strip()
    if output:
        print("$ " + " ".join(map(str, command)) + "\n" + output)
    return done


desktop = data / f"{app_id}.desktop"
metainfo = data / f"{app_id}.metainfo.xml"
icon = data / f"{app_id}.svg"
manual = data / "velmorin-sync.1"

# The validators: errors fail, pedantic remarks and infos do not.
check(run("desktop-file-validate", desktop).returncode == 0, f"desktop-file-validate rejects {desktop.name}")
check(run("appstreamcli", "validate", "--no-net", metainfo).returncode == 0,
      f"appstreamcli validate rejects {metainfo.name}")

# One id for the entry's icon and window class and the metadata's component.
entry = dict(line.split("=", 1) for line in desktop.read_text().splitlines() if "=" in line)
check(entry.get("Icon") == app_id, f"the desktop entry's icon is {entry.get('Icon')!r}, not {app_id!r}")
check(entry.get("StartupWMClass") == app_id,
      f"the desktop entry's window class is {entry.get('StartupWMClass')!r}, not {app_id!r}")
component = ET.parse(metainfo).getroot()
check(component.findtext("id") == app_id, f"the metainfo's id is {component.findtext('id')!r}")
check(component.findtext("launchable") == f"{app_id}.desktop",
      f"the metainfo launches {component.findtext('launchable')!r}")

# The icon draws at the smallest size a panel asks for.
with tempfile.TemporaryDirectory() as work:
    png = pathlib.Path(work) / "icon.png"
    check(run("rsvg-convert", "-w", "16", "-h", "16", icon, "-o", png).returncode == 0 and png.stat().st_size > 0,
          f"{icon.name} does not draw")

# The screenshots are the README's, at their place in the repository.
prefix = "https://raw.githubusercontent.com/velmorin/velmorin-sync/main/"
shown = set()
for image in component.iter("image"):
    url = image.text.strip()
    check(url.startswith(prefix), f"screenshot {url} is not in the repository")
    path = url[len(prefix):]
    check((source / path).is_file(), f"screenshot {path} does not exist")
    shown.add(path)
readme = set(re.findall(r"!\[[^\]]*\]\(([^)]+\.png)\)", (source / "README.md").read_text()))
check(shown == readme, f"the README shows {sorted(readme - shown)} that the metainfo does not, "
                       f"the metainfo {sorted(shown - readme)} that the README does not")

# This version: the newest release, the changelog's top entry, the manual.
newest = component.find("releases/release")
check(newest is not None and newest.get("version") == version,
      f"the metainfo's newest release is {None if newest is None else newest.get('version')}, not {version}")
check(newest is not None and newest.find("description") is not None, "the newest release has no notes")
top = (data / "changelog").read_text().splitlines()[0]
check(top.startswith(f"velmorin-sync ({version})"), f"the changelog starts with {top!r}")
manual_text = manual.read_text()
check(f'"velmorin-sync {version}"' in manual_text, f"the manual's title line does not name version {version}")

# The manual names what --help offers.
usage = subprocess.run([program, "--help"], capture_output=True, text=True, check=True).stdout
commands = re.search(r"^Commands: (.*)\.$", usage, re.M).group(1).split(", ")
options = set(re.findall(r"(?<![\w-])(--?[a-z]+)", usage))
check(len(commands) > 5 and {"--help", "--version", "--command", "--selftest"} <= options,
      f"--help lists commands {commands} and options {sorted(options)}")
for command in commands:
    check(re.search(rf"^\.B {command}$", manual_text, re.M), f"the manual does not describe the command {command}")
for option in options:
    check(option.replace("-", r"\-") in manual_text, f"the manual does not name the option {option}")

for failure in failures:
    print("FAIL: " + failure)
sys.exit(1 if failures else 0)
