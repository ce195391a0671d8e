"""Resident memory of a process and all its descendants, sampled from /proc."""

import os
import threading


def _parent_of(pid):
    try:
        with open(f"/proc/{pid}/stat", "rb") as stat:
            # The name in parentheses may hold spaces; the fields after it are fixed.
            fields = stat.read().rsplit(b")", 1)[1].split()
        return int(fields[1])
    except (OSError, IndexError, ValueError):
        return None


def descendants_and_self(root):
    children = {}
    for entry in os.listdir("/proc"):
        if entry.isdigit():
            parent = _parent_of(int(entry))
            if parent is not None:
                children.setdefault(parent, []).append(int(entry))
    tree, pending = [], [root]
    while pending:
        pid = pending.pop()
        tree.append(pid)
        pending.extend(children.get(pid, []))
    return tree


def resident_kib(pid):
    try:
        with open(f"/proc/{pid}/status") as status:
            for line in status:
                if line.startswith("VmRSS:"):
                    return int(line.split()[1])
    except OSError:
        pass
    return 0


class TreeMemorySampler:
    """Samples the summed VmRSS of the tree every interval; keeps the peak and the most
    processes seen, so a reader can tell the engine's helpers were counted."""

    def __init__(self, root_pid, interval=0.05):
        self.root_pid = root_pid
        self.interval = interval
        self.peak_kib = 0
        self.most_processes = 0
        self._stop = threading.Event()
        self._thread = threading.Thread(target=self._run, daemon=True)

    def start(self):
        self._thread.start()

    def stop(self):
        self._stop.set()
        self._thread.join()

    def _run(self):
        while not self._stop.is_set():
            tree = descendants_and_self(self.root_pid)
            self.peak_kib = max(self.peak_kib, sum(resident_kib(pid) for pid in tree))
            self.most_processes = max(self.most_processes, len(tree))
            self._stop.wait(self.interval)
