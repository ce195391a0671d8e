"""The measurements, one shell run each. Every function returns what that run measured and
raises when the run could not measure it."""

import os
import shutil
import stat
import time
from pathlib import Path

from processtree import TreeMemorySampler
from shellrun import ShellRun

PRESS_AFTER_MS = 2000
MEMORY_HOLD_S = 3.0


def _page(pages, name):
    return (Path(pages) / name).resolve().as_uri()


def startup_ms(build_dir, pages, shell):
    """Process start (just before the spawn) to the page's first script, on the wall clock."""
    with ShellRun(build_dir, shell, _page(pages, "startup.html")) as run:
        report = run.wait_for("startup")
        return report["firstScript"] - run.started_ns / 1e6


def peak_memory(build_dir, pages, shell):
    """Peak summed resident size of the shell's process tree, in MiB, from its start until
    MEMORY_HOLD_S after the page has connected to the bridge; and the most processes seen."""
    with ShellRun(build_dir, shell, _page(pages, "startup.html")) as run:
        sampler = TreeMemorySampler(run.process.pid)
        sampler.start()
        try:
            run.wait_for("startup")
            time.sleep(MEMORY_HOLD_S)
        finally:
            sampler.stop()
        return sampler.peak_kib / 1024, sampler.most_processes


def call_us(build_dir, pages, shell):
    with ShellRun(build_dir, shell, _page(pages, "calls.html")) as run:
        report = run.wait_for("calls")
        if report["answer"] != "MeasurementMode" and shell == "reference":
            raise RuntimeError(f"echo answered {report['answer']!r}")
        if shell == "mirel" and not report["answer"]:
            raise RuntimeError("getOption gave no text")
        return report["usPerCall"]


def _journal(path):
    """(milliseconds, call) for each line of a journal written with its clock on."""
    entries = []
    for line in Path(path).read_text().splitlines():
        stamp, _, call = line.partition(" ")
        entries.append((int(stamp) / 1000, call))
    return entries


def _clock_offset(brackets, journal):
    """Bounds on (page clock - simulator clock) in ms: each journalled probe happened between
    the page times around its call."""
    probes = [at for at, call in journal if call == "GetOptionD 1 BenchClock"]
    if len(probes) != len(brackets):
        raise RuntimeError(f"{len(brackets)} clock probes but {len(probes)} journalled")
    low = max(before - at for (before, _), at in zip(brackets, probes))
    high = min(after - at for (_, after), at in zip(brackets, probes))
    return low, high


def button_wait(build_dir, pages):
    """Press-to-answer (ms) on the common clock, the offset bounds used for it, and the
    setIni round trips (ms) taken during the wait."""
    run = ShellRun(build_dir, "mirel", _page(pages, "scan.html"))
    journal = run.home / "journal.txt"
    run.env.update({"MIREL_SIM_PRESS_AFTER_MS": str(PRESS_AFTER_MS),
                    "MIREL_SIM_JOURNAL": str(journal), "MIREL_SIM_JOURNAL_CLOCK": "1"})
    with run:
        brackets = run.wait_for("brackets")
        set_ini_idle = run.wait_for("setIniIdle")
        set_ini = run.wait_for("setIni")
        scan = run.wait_for("scan", timeout=PRESS_AFTER_MS / 1000 + 30)
        entries = _journal(journal)
    if not scan["line"] or "|" not in scan["line"]:
        raise RuntimeError(f"doOneScan answered {scan['line']!r}")
    presses = [at for at, call in entries if call == "Press"]
    if len(presses) != 1:
        raise RuntimeError(f"{len(presses)} presses journalled")
    low, high = _clock_offset(brackets, entries)
    offset = (low + high) / 2
    return {"press_to_answer_ms": scan["at"] - offset - presses[0],
            "offset_low_ms": low, "offset_high_ms": high, "set_ini_ms": set_ini,
            "set_ini_idle_ms": set_ini_idle}


def second_start_ms(build_dir, server, remember):
    """The start after one that loaded the same web application from the server: process start
    to the application's script running, on the wall clock, with the profile remembering (disk
    cache) or keeping nothing; and how many of its two files the second start fetched."""
    url = server.base_url + "app/app.html"
    settings = {} if remember else {"RememberBrowsingData": "0"}
    first = ShellRun(build_dir, "mirel", url, settings=settings)
    first.keep_home = True
    try:
        with first:
            first.wait_for("app")
        second = ShellRun(build_dir, "mirel", url, home=first.home)
        fetched_before = len(server.app_requests())
        with second:
            report = second.wait_for("app")
        fetched = len(server.app_requests()) - fetched_before
    finally:
        shutil.rmtree(first.home, ignore_errors=True)
    return report["appScript"] - second.started_ns / 1e6, fetched


def _write_open_stub(folder, record):
    # Bash keeps the clock in $EPOCHREALTIME: no further process, so the time is its start.
    stub = folder / "xdg-open"
    stub.write_text(f'#!/bin/bash\necho "$EPOCHREALTIME $1" >> "{record}"\n')
    stub.chmod(stub.stat().st_mode | stat.S_IXUSR | stat.S_IXGRP | stat.S_IXOTH)


def download_handover_ms(build_dir, server, page="download.html", timeout=30):
    """Last byte of the attachment served to the stub opener starting, wall clock, in ms."""
    run = ShellRun(build_dir, "mirel", server.base_url + page)
    bin_dir = run.home / "bin"
    bin_dir.mkdir()
    opened = run.home / "opened.txt"
    _write_open_stub(bin_dir, opened)
    run.env["PATH"] = f"{bin_dir}{os.pathsep}{run.env.get('PATH', '')}"
    run.env["LC_ALL"] = "C"
    # No desktop here: the desktop services fall back to xdg-open, found first on PATH.
    run.env["QT_QPA_PLATFORMTHEME"] = ""
    for name in ("XDG_CURRENT_DESKTOP", "DESKTOP_SESSION", "KDE_FULL_SESSION", "GNOME_DESKTOP_SESSION_ID"):
        run.env.pop(name, None)
    served_before = len(server.last_byte_times())
    with run:
        run.wait_for("clicked")
        deadline = time.monotonic() + timeout
        while not opened.exists() or not opened.read_text().strip():
            if time.monotonic() > deadline or run.process.poll() is not None:
                tail = "\n".join(run.stderr_lines[-10:])
                raise RuntimeError(f"no open command within {timeout} s; last output:\n{tail}")
            time.sleep(0.05)
        stamp, _, target = opened.read_text().splitlines()[0].partition(" ")
        served = server.last_byte_times()[served_before:]
    if len(served) != 1:
        raise RuntimeError(f"attachment served {len(served)} times")
    if not target.endswith(".pdf"):
        raise RuntimeError(f"opened {target!r}")
    return float(stamp.replace(",", ".")) * 1000 - served[0] / 1e6
