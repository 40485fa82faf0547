#!/usr/bin/env python3
"""Times the whole `./tralvek export` as a user runs it (the script, Wine, the host, the board's
loading, the export and the report), warm, on generated boards. The peer exporter's whole-process
figures (start, load, export, exit) are not measured here: they are printed after the table as
what they are, one earlier measurement on this machine with its date and source.

    command_bench.py BUILD_DIR [--runs N] [PADS ...]     (default 3 runs; 1000 10000 100000 pads)

Each figure is the median of N runs after one run that warms the files and the Wine server:
back to back, and each after a pause of a user's pace (longer than the second after which Wine
ends a desktop no program uses).
The command's output goes through a pipe that must close when it ends: a program the command
leaves behind holding it open would show here as a command that never ends.
"""
import os
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
          f" {PAUSE_SECONDS} s each)")
    print(f"{'pads':>8} {'ours s':>8} {'paused s':>9} {'target s':>9}")
    measured = {}
    with tempfile.TemporaryDirectory(prefix="command_bench_") as folder:
        os.environ.setdefault("WINEPREFIX", os.path.join(build, "wineprefix"))
        for pads in sizes:
            board, pads = generate(build, folder, pads)
            time_export(board, timeout=600)
            seconds = statistics.median(time_export(board, timeout=600) for _ in range(runs))
            paused = statistics.median(time_export(board, timeout=600, pause=PAUSE_SECONDS)
                                       for _ in range(runs))
            measured[pads] = seconds
            target = TARGET_SECONDS.get(pads)
            print(f"{pads:>8} {seconds:>8.2f} {paused:>9.2f} {target if target else '-':>9}",
                  flush=True)
    print_peer(measured)


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
