#!/usr/bin/env python3
"""Times the whole `./tralvek export` as a user runs it (the script, Wine, the host, the board's
loading, the export and the report), warm, on generated boards. The peer exporter's whole-process
figures (start, load, export, exit) are not measured here: they are printed after the table as
what they are, one earlier measurement on this machine with its date and source.

    command_bench.py BUILD_DIR [--runs N] [PADS ...]     (default 3 runs; 1000 10000 100000 pads)

Each figure is the median of N runs after one run that warms the files and the Wine server:
back to back, and each after a pause of a user's pace (longer than the second after which Wine
ends a desktop no program uses); the fastest and the slowest run beside it, and the machine's load
as the row is printed.

Then the first command after a long pause, cold: the checkout's own Wine server stopped (it ends
the session's programs with it), `./tralvek export` of the example board, next to a bare
`wine cmd /c exit` in the same prefix with its server stopped the same way: Wine's own session
start, which any first command waits for. The two take turns, N runs each. Only the checkout's
own prefix is stopped, never another's.
The command's output goes through a pipe that must close when it ends: a program the command
leaves behind holding it open would show here as a command that never ends.
"""
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
PADS_PER_COMPONENT = 10
TRACKS_PER_PAD = 2
# The peer's whole process by pads, as measured once, and where the figures come from.
PEER_SECONDS = {1000: 0.36, 10000: 1.64, 100000: 14.2}
PEER_SOURCE = "measured on this machine on 2026-12-07, medians of interleaved runs (issue 38)"
# What ours must stay under.
TARGET_SECONDS = {1000: 1.0, 10000: 1.5, 100000: 3.0}
PAUSE_SECONDS = 3


def windows_path(path):
    return "Z:" + path.replace("/", "\\")


def generate(build, folder, pads):
    board = os.path.join(folder, f"board{pads}.json")
    components = max(1, pads // PADS_PER_COMPONENT)
    generator = os.path.join(build, "bin", "board_generator.exe")
    subprocess.run(["wine", generator, windows_path(board), str(components),
                    str(PADS_PER_COMPONENT), str(pads * TRACKS_PER_PAD)],
                   check=True, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL)
    return board, components * PADS_PER_COMPONENT


def machine_load():
    """The mean number of runnable processes over the last minute."""
    with open("/proc/loadavg") as loadavg:
        return loadavg.read().split()[0]


def spread(seconds):
    """The median of the runs with the fastest and the slowest, as printed."""
    return f"{statistics.median(seconds):.2f} ({min(seconds):.2f}-{max(seconds):.2f})"


def stop_server():
    """Stops the Wine server of the prefix in WINEPREFIX, the checkout's own, and waits for it."""
    for option in ("-k", "-w"):
        subprocess.run(["wineserver", option], stdin=subprocess.DEVNULL,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def time_export(board, timeout, pause=0):
    time.sleep(pause)
    start = time.monotonic()
    result = subprocess.run([os.path.join(ROOT, "tralvek"), "export", board],
                            stdin=subprocess.DEVNULL, capture_output=True, timeout=timeout)
    seconds = time.monotonic() - start
    if result.returncode != 0 or b"file written" not in result.stdout:
        sys.exit(f"command_bench: the export of {board} failed:\n"
                 f"{result.stdout.decode(errors='replace')}{result.stderr.decode(errors='replace')}")
    return seconds


def main(arguments):
    if not arguments:
        sys.exit(__doc__)
    build, runs, sizes = os.path.abspath(arguments[0]), 3, []
    rest = iter(arguments[1:])
    for argument in rest:
        if argument == "--runs":
            runs = int(next(rest))
        elif argument == "--keep":
            next(rest)  # the in-process benchmark's folder
        else:
            sizes.append(int(argument))
    sizes = sorted(sizes or [1000, 10000, 100000])
    print(f"whole `./tralvek export`, warm, each the median of {runs} runs (back to back, and after"
          f" {PAUSE_SECONDS} s each), the fastest and the slowest in parentheses")
    print(f"{'pads':>8} {'load':>6} {'ours s':>17} {'paused s':>17} {'target s':>9}")
    measured = {}
    with tempfile.TemporaryDirectory(prefix="command_bench_") as folder:
        os.environ.setdefault("WINEPREFIX", os.path.join(build, "wineprefix"))
        for pads in sizes:
            board, pads = generate(build, folder, pads)
            time_export(board, timeout=600)
            seconds = [time_export(board, timeout=600) for _ in range(runs)]
            paused = [time_export(board, timeout=600, pause=PAUSE_SECONDS) for _ in range(runs)]
            measured[pads] = statistics.median(seconds)
            target = TARGET_SECONDS.get(pads)
            print(f"{pads:>8} {machine_load():>6} {spread(seconds):>17} {spread(paused):>17}"
                  f" {target if target else '-':>9}", flush=True)
        print_peer(measured)
        print_cold(folder, runs)


def print_cold(folder, runs):
    """The first command after a long pause beside Wine's own start in the same prefix."""
    board = os.path.join(folder, "example-board.json")
    shutil.copy(os.path.join(ROOT, "examples", "example-board.json"), board)
    time_export(board, timeout=600)  # built, and the board's files in place
    ours, bare = [], []
    for _ in range(runs):
        stop_server()
        ours.append(time_export(board, timeout=600))
        stop_server()
        # Its output goes nowhere, as a user's terminal would take it: the session's first
        # programs, started by it, would hold a pipe open after it ends.
        start = time.monotonic()
        subprocess.run(["wine", "cmd", "/c", "exit"], stdin=subprocess.DEVNULL,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=600,
                       check=True)
        bare.append(time.monotonic() - start)
    stop_server()
    difference = statistics.median(ours) - statistics.median(bare)
    print(f"\nthe first command after a long pause (the checkout's Wine server stopped), each the"
          f" median of {runs} runs in turns, load {machine_load()}")
    print(f"    `./tralvek export` of the example board  {spread(ours)} s")
    print(f"    `wine cmd /c exit` in the same prefix     {spread(bare)} s")
    print(f"    difference of the medians                 {difference:.2f} s (goal: 0.20 s or less)")


def print_peer(measured):
    """The peer's figures where this run has a size of the same pads, and ours against them."""
    sizes = [pads for pads in sorted(measured) if pads in PEER_SECONDS]
    if not sizes:
        return
    print(f"the peer exporter's whole process, not measured in this run: {PEER_SOURCE}")
    for pads in sizes:
        peer = PEER_SECONDS[pads]
        print(f"{pads:>8} pads: peer {peer} s, {peer / measured[pads]:.1f} times this run's back-to-back"
              " median")


if __name__ == "__main__":
    main(sys.argv[1:])
