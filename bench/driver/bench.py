"""Runs mirel and the reference shell on the benchmark pages and prints the figures.
Exit status 1 when a measurement could not be taken; a missed target is only reported."""

import argparse
import os
import statistics
import subprocess
import sys
from pathlib import Path

import measures
from fileserver import FileServer
from table import Table

SHELLS = ("mirel", "reference")
NOTHING_KEPT = "mirel, nothing kept"


def machine():
    model = next((line.split(":", 1)[1].strip() for line in open("/proc/cpuinfo")
                  if line.startswith("model name")), "unknown CPU")
    memory_kib = next(int(line.split()[1]) for line in open("/proc/meminfo")
                      if line.startswith("MemTotal:"))
    return f"{os.cpu_count()} CPUs, {model}, {memory_kib / 1024 / 1024:.1f} GiB RAM"


def commit():
    """The commit measured, "+changes" when the tracked files differ from it."""
    root = Path(__file__).resolve().parent.parent.parent
    try:
        head = subprocess.run(["git", "-C", str(root), "rev-parse", "--short", "HEAD"], capture_output=True,
                              text=True, check=True).stdout.strip()
        changed = subprocess.run(["git", "-C", str(root), "status", "--porcelain", "--untracked-files=no"],
                                 capture_output=True, text=True, check=True).stdout.strip()
    except (OSError, subprocess.CalledProcessError):
        return "unknown (not a git checkout)"
    return head + (" +changes" if changed else "")


def load_average():
    return " ".join(open("/proc/loadavg").read().split()[:3])


def define_rows(table):
    table.row("calls", "Bridge call, getOption vs echo (median of 5 x 1000 sequential)", "us/call")
    table.row("press", "Button press to densities in the page", "ms", 2)
    table.row("setIniWait", "setIni answered during a doOneScan wait", "ms")
    table.row("setIniIdle", "setIni answered, no wait running", "ms")
    table.row("download", "Last byte served to open command started, clicked as the page loads", "ms")
    table.row("downloadSettled", "Last byte served to open command started, clicked 1 s after the page loaded", "ms")
    table.row("startup", "Process start to the page's first script", "ms")
    table.row("memory", "Peak resident size, process tree, page loaded", "MiB", 0)
    table.row("second", "Second start to the application's script (2 MiB, server 50 ms away)", "ms")
    table.target("calls", "<= 1.25x", lambda row, t: _at_most(t.ratio("calls"), 1.25))
    table.target("press", "median < 5 ms", lambda row, t: _below(row.median("mirel"), 5))
    table.target("setIniWait", "max < 50 ms",
                 lambda row, t: _below(max(row.values["mirel"]) if row.values.get("mirel") else None, 50))
    table.target("startup", "<= 1.15x", lambda row, t: _at_most(t.ratio("startup"), 1.15))


def _below(value, limit):
    return None if value is None else value < limit


def _at_most(value, limit):
    return None if value is None else value <= limit


def attempt(table, key, shell, measure):
    try:
        return measure()
    except (RuntimeError, OSError, KeyError, ValueError) as error:
        table.rows[key].fail(shell, str(error).splitlines()[0])
        print(f"  {key} {shell}: failed: {error}", file=sys.stderr)
        return None


def warm_up(build_dir, pages):
    # Untimed: the first start reads the libraries from disk, which neither shell should pay.
    for shell in SHELLS:
        try:
            measures.startup_ms(build_dir, pages, shell)
        except RuntimeError:
            pass


def shell_rounds(table, build_dir, pages, runs):
    """Returns the process counts seen per shell and each button-wait run's clock offset."""
    process_counts, clock_offsets = {}, []
    for round_number in range(runs):
        # Alternating which shell goes first spreads slow spells evenly over both.
        order = SHELLS if round_number % 2 == 0 else SHELLS[::-1]
        for shell in order:
            for key, measure in (("startup", measures.startup_ms), ("calls", measures.call_us)):
                value = attempt(table, key, shell, lambda: measure(build_dir, pages, shell))
                if value is not None:
                    table.rows[key].add(shell, value)
            memory = attempt(table, "memory", shell, lambda: measures.peak_memory(build_dir, pages, shell))
            if memory is not None:
                table.rows["memory"].add(shell, memory[0])
                process_counts.setdefault(shell, set()).add(memory[1])
        wait = attempt(table, "press", "mirel", lambda: measures.button_wait(build_dir, pages))
        if wait is not None:
            table.rows["press"].add("mirel", wait["press_to_answer_ms"])
            for value in wait["set_ini_ms"]:
                table.rows["setIniWait"].add("mirel", value)
            for value in wait["set_ini_idle_ms"]:
                table.rows["setIniIdle"].add("mirel", value)
            clock_offsets.append((wait["offset_low_ms"], wait["offset_high_ms"]))
        else:
            for key in ("setIniWait", "setIniIdle"):
                table.rows[key].fail("mirel", "the button-wait run failed")
        print(f"  round {round_number + 1}/{runs} done", file=sys.stderr)
    return process_counts, clock_offsets


def download_rounds(table, build_dir, pages, runs):
    with FileServer(pages) as server:
        for _ in range(runs):
            for key, page in (("download", "download.html"), ("downloadSettled", "download-settled.html")):
                value = attempt(table, key, "mirel", lambda: measures.download_handover_ms(build_dir, server, page))
                if value is not None:
                    table.rows[key].add("mirel", value)


def second_start_rounds(table, build_dir, pages, runs):
    """Returns how many of the application's two files each variant's second starts fetched."""
    fetched = {}
    with FileServer(pages) as server:
        for round_number in range(runs):
            variants = ((True, "mirel"), (False, NOTHING_KEPT))
            for remember, shell in (variants if round_number % 2 == 0 else variants[::-1]):
                value = attempt(table, "second", shell,
                                lambda: measures.second_start_ms(build_dir, server, remember))
                if value is not None:
                    table.rows["second"].add(shell, value[0])
                    fetched.setdefault(shell, set()).add(value[1])
    return fetched


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--build-dir", required=True)
    parser.add_argument("--pages", default=str(Path(__file__).resolve().parent.parent / "pages"))
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--only-second-start", action="store_true",
                        help="measure only the second start with and without the disk cache")
    args = parser.parse_args()

    table = Table()
    define_rows(table)
    load_before = load_average()
    print(f"Warming up, then {args.runs} rounds ...", file=sys.stderr)
    warm_up(args.build_dir, args.pages)
    process_counts, clock_offsets = {}, []
    if not args.only_second_start:
        process_counts, clock_offsets = shell_rounds(table, args.build_dir, args.pages, args.runs)
        # Last: the downloads are the part most likely to be still changing.
        download_rounds(table, args.build_dir, args.pages, args.runs)
    fetched = second_start_rounds(table, args.build_dir, args.pages, args.runs)

    table.notes.append(f"Machine: {machine()}; load average {load_before} before, {load_average()} after; "
                       f"commit {commit()}; {args.runs} rounds.")
    if clock_offsets:
        worst = max(max(abs(low), abs(high)) for low, high in clock_offsets)
        table.notes.append(
            f"Common clock: page clock minus simulator journal clock, bounded by 40 bracketed calls "
            f"per run, within +-{worst:.3f} ms in every run (the page's timer is coarsened to about "
            "0.1 ms); press-to-answer is corrected by each run's own offset.")
    if process_counts:
        table.notes.append("setIni rows pool every call of every run (about 20 per run); the no-wait row "
                           "is the same call just before the wait, for comparison.")
        counts = ", ".join(f"{shell} {'/'.join(map(str, sorted(found)))}" for shell, found in process_counts.items())
        table.notes.append(f"Memory: summed VmRSS, sampled every 50 ms; processes in the tree: {counts}; "
                           "page: bench/pages/startup.html with the bridge connected, held 3 s.")
    second = table.rows["second"]
    if second.median("mirel") and second.median(NOTHING_KEPT):
        files = ", ".join(f"{shell} {'/'.join(map(str, sorted(found)))}" for shell, found in fetched.items())
        table.notes.append(
            f"Second start: a page and a 2 MiB script, both cacheable for a day, each answered 50 ms "
            f"late; disk cache / nothing kept = {second.median('mirel') / second.median(NOTHING_KEPT):.2f}x; "
            f"files fetched by the second start: {files}.")
    table.print()
    return 1 if table.missing() else 0


if __name__ == "__main__":
    sys.exit(main())
