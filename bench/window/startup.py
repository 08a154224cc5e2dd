"""Timing a window from its start to a page on screen: a private X server, and
one start of a program whose page says on its console when it is painted."""
import os
import pty
import selectors
import signal
import subprocess
import time
from pathlib import Path


class PrivateDisplay:
    """Xvfb on a free display number, for as long as the `with` lasts."""

    def __enter__(self):
        for number in range(90, 140):
            if not Path(f"/tmp/.X11-unix/X{number}").exists() and not Path(f"/tmp/.X{number}-lock").exists():
                break
        self.display = f":{number}"
        self.server = subprocess.Popen(["Xvfb", self.display, "-screen", "0", "1280x1024x24", "-nolisten", "tcp"],
                                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        socket = Path(f"/tmp/.X11-unix/X{number}")
        for _ in range(200):
            if socket.exists():
                return self
            time.sleep(0.05)
        raise RuntimeError("Xvfb did not start")

    def __exit__(self, *exc):
        self.server.terminate()
        self.server.wait()


def tree_rss_kib(pid):
    """Resident memory of a process and all its children (WebKit's web and
    network processes are part of the window's cost)."""
    total, pending = 0, [pid]
    while pending:
        p = pending.pop()
        try:
            for line in Path(f"/proc/{p}/status").read_text().splitlines():
                if line.startswith("VmRSS:"):
                    total += int(line.split()[1])
            for task in Path(f"/proc/{p}/task").iterdir():
                pending += [int(c) for c in (task / "children").read_text().split()]
        except OSError:
            continue
    return total


def time_window(cmd, marker, env, timeout=60.0):
    """Starts `cmd`, waits for `marker` in what it prints; returns (seconds
    from start to marker, resident KiB of its process tree then). Ends it."""
    # A terminal, not a pipe: WebKit's web process writes the console (to
    # standard error) with stdio, which holds back what goes to a pipe.
    reader, writer = pty.openpty()
    start = time.perf_counter()
    proc = subprocess.Popen(cmd, env=env, stdout=writer, stderr=writer, start_new_session=True)
    os.close(writer)
    try:
        selector = selectors.DefaultSelector()
        selector.register(reader, selectors.EVENT_READ)
        seen = b""
        while marker.encode() not in seen:
            left = timeout - (time.perf_counter() - start)
            if left <= 0 or not selector.select(left):
                raise RuntimeError(f"{cmd[0]} did not show {marker!r} within {timeout:.0f} s")
            try:
                chunk = os.read(reader, 65536)
            except OSError:  # the terminal closed: every writer has ended
                chunk = b""
            if not chunk:
                raise RuntimeError(f"{cmd[0]} ended before showing {marker!r}")
            seen = seen[-4096:] + chunk
        seconds = time.perf_counter() - start
        return seconds, tree_rss_kib(proc.pid)
    finally:
        try:
            os.killpg(proc.pid, signal.SIGKILL)
        except ProcessLookupError:
            pass
        proc.wait()
        os.close(reader)
