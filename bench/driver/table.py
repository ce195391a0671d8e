"""Collects the figures of every run and prints them as a Markdown table with the targets."""

import statistics


class Row:
    def __init__(self, label, unit, digits):
        self.label = label
        self.unit = unit
        self.digits = digits
        self.values = {}
        self.failures = {}

    def add(self, shell, value):
        self.values.setdefault(shell, []).append(value)

    def fail(self, shell, reason):
        self.failures.setdefault(shell, []).append(reason)

    def median(self, shell):
        values = self.values.get(shell)
        return statistics.median(values) if values else None


def _format(value, digits):
    return f"{value:.{digits}f}"


class Table:
    def __init__(self):
        self.rows = {}
        self.targets = []
        self.notes = []

    def row(self, key, label, unit, digits=1):
        return self.rows.setdefault(key, Row(label, unit, digits))

    def ratio(self, key):
        row = self.rows[key]
        mirel, reference = row.median("mirel"), row.median("reference")
        return mirel / reference if mirel is not None and reference else None

    def target(self, key, text, check):
        """check(row, table) gives True when met, None when it cannot be judged."""
        self.targets.append((key, text, check))

    def missing(self):
        return [(row.label, shell, reasons[0]) for row in self.rows.values()
                for shell, reasons in row.failures.items()]

    def lines(self):
        out = ["| Measurement | Shell | Samples | Median | Min | Max | mirel / reference | Target |",
               "|---|---|---:|---:|---:|---:|---:|---|"]
        verdicts = {key: (text, check(self.rows[key], self)) for key, text, check in self.targets}
        for key, row in self.rows.items():
            # mirel and the reference first, then variants of mirel in the order they ran.
            known = ("mirel", "reference")
            seen = list(dict.fromkeys([*row.values, *row.failures]))
            shells = [shell for shell in known if shell in seen] + [s for s in seen if s not in known]
            for shell in shells:
                values = row.values.get(shell, [])
                label = f"{row.label} ({row.unit})"
                if not values:
                    out.append(f"| {label} | {shell} | 0 | not taken | | | | |")
                    continue
                ratio = self.ratio(key) if shell == "mirel" else None
                target = ""
                if shell == "mirel" and key in verdicts:
                    text, met = verdicts[key]
                    target = f"{text}: " + {True: "met", False: "missed", None: "not judged"}[met]
                out.append("| " + " | ".join([
                    label, shell, str(len(values)), _format(statistics.median(values), row.digits),
                    _format(min(values), row.digits), _format(max(values), row.digits),
                    f"{ratio:.2f}x" if ratio is not None else "", target]) + " |")
        return out

    def print(self):
        print("\n".join(self.lines()))
        for note in self.notes:
            print(f"- {note}")
        for label, shell, reason in self.missing():
            print(f"- NOT TAKEN: {label}, {shell}: {reason}")
