"""One run of a shell, mirel or the reference, in private folders, with its page reports."""

import json
import os
import shutil
import signal
import subprocess
import tempfile
import threading
import time
from pathlib import Path

REPORT_MARKER = "MIREL-BENCH "


class ShellRun:
    """Starts a shell with its own XDG folders and TMPDIR and collects the "MIREL-BENCH <tag>
    <json>" warnings its page prints to standard error."""

    def __init__(self, build_dir, shell, page_url, extra_env=None, settings=None, home=None):
        """home: the folders of an earlier run, kept (keep_home) to start again on them."""
        self.build_dir = Path(build_dir)
        self.shell = shell
        self.page_url = page_url
        self.keep_home = False
        fresh = home is None
        self.home = Path(tempfile.mkdtemp(prefix=f"mirel-bench-{shell}-")) if fresh else Path(home)
        self.env = dict(os.environ)
        for name in ("XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "TMPDIR"):
            folder = self.home / name.lower()
            folder.mkdir(exist_ok=not fresh)
            self.env[name] = str(folder)
        self.env.pop("MIREL_SDK_LIBRARY", None)
        if shell == "mirel":
            self.env["MIREL_SDK_LIBRARY"] = str(self.build_dir / "simulator" / "libmirelsim.so")
            if fresh:
                self._write_settings(settings or {})
        self.env.update(extra_env or {})
        self.process = None
        self.started_ns = None
        self.stderr_lines = []
        self._reports = {}
        self._arrived = threading.Condition()

    def _write_settings(self, extra):
        settings = Path(self.env["XDG_CONFIG_HOME"]) / "Quenza" / "Mirel.ini"
        settings.parent.mkdir(parents=True)
        lines = [f'Server="{self.page_url}"'] + [f"{key}={value}" for key, value in extra.items()]
        settings.write_text("[General]\n" + "\n".join(lines) + "\n")

    def command(self):
        if self.shell == "mirel":
            return [str(self.build_dir / "app" / "mirel")]
        return [str(self.build_dir / "bench" / "mirel-reference"), self.page_url]

    def start(self):
        # Its own session, so that the engine's helpers can be ended with it by group id.
        command = self.command()
        self.started_ns = time.time_ns()
        self.process = subprocess.Popen(command, env=self.env, stdin=subprocess.DEVNULL,
                                        stdout=subprocess.DEVNULL, stderr=subprocess.PIPE,
                                        start_new_session=True)
        threading.Thread(target=self._read_stderr, daemon=True).start()

    def _read_stderr(self):
        for raw in self.process.stderr:
            line = raw.decode("utf-8", "replace").rstrip("\n")
            self.stderr_lines.append(line)
            at = line.find(REPORT_MARKER)
            if at < 0:
                continue
            tag, _, value = line[at + len(REPORT_MARKER):].partition(" ")
            with self._arrived:
                try:
                    self._reports[tag] = json.loads(value)
                except ValueError:
                    self._reports[tag] = value
                self._arrived.notify_all()
        with self._arrived:
            self._arrived.notify_all()

    def wait_for(self, tag, timeout=60):
        """The value the page reported under tag; raises when it does not come."""
        deadline = time.monotonic() + timeout
        with self._arrived:
            while tag not in self._reports:
                if "error" in self._reports:
                    raise RuntimeError(f"{self.shell} page error: {self._reports['error']}")
                left = deadline - time.monotonic()
                if left <= 0 or self.process.poll() is not None:
                    tail = "\n".join(self.stderr_lines[-15:])
                    raise RuntimeError(f"{self.shell}: no '{tag}' report; last output:\n{tail}")
                self._arrived.wait(min(left, 0.5))
            return self._reports[tag]

    def stop(self):
        """Ends the shell as a logout would, then anything left of its session."""
        if self.process and self.process.poll() is None:
            self.process.terminate()
            try:
                self.process.wait(timeout=10)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()
        if self.process:
            try:
                os.killpg(self.process.pid, signal.SIGKILL)
            except ProcessLookupError:
                pass
        if not self.keep_home:
            shutil.rmtree(self.home, ignore_errors=True)

    def __enter__(self):
        self.start()
        return self

    def __exit__(self, *exc):
        self.stop()
