#!/usr/bin/env python3
"""Reads a CSV the way rtl_power's plotting scripts do and checks the column rules they rely on.

    check_rtl_power.py FILE [MIN_ROWS]

Every line: date (YYYY-MM-DD), time (HH:MM:SS), Hz low, Hz high (integers), Hz step (a number),
samples (an integer), then dB values; the number of values is what the frequencies promise, the
frequency of value i being Hz low + i * Hz step, below Hz high. Exits 1 naming the first fault.
"""
import datetime
import math
import sys


def frange(low, high, step):
    # As the heat-map script walks the columns of a row.
    i = 0
    while low + i * step < high:
        yield low + i * step
        i += 1


def check(path, min_rows):
    rows = 0
    last_time = None
    segments = {}
    with open(path, encoding="ascii") as csv:
        for number, line in enumerate(csv, 1):
            cells = [c.strip() for c in line.strip().split(",")]
            where = "%s:%d" % (path, number)
            if len(cells) < 7:
                return "%s: %d cells, a row needs 6 and at least one value" % (where, len(cells))
            when = datetime.datetime.strptime(cells[0] + " " + cells[1], "%Y-%m-%d %H:%M:%S")
            if last_time is not None and when < last_time:
                return "%s: time goes backwards" % where
            last_time = when
            low, high, step, samples = int(cells[2]), int(cells[3]), float(cells[4]), int(cells[5])
            if not (low < high and step > 0 and samples >= 1):
                return "%s: bad low %d, high %d, step %s, samples %d" % (where, low, high, step, samples)
            values = [float(v) for v in cells[6:]]
            columns = len(list(frange(low, high, step)))
            if columns != len(values):
                return "%s: %d values, the frequencies promise %d" % (where, len(values), columns)
            if any(math.isnan(v) or v > 30 or v < -200 for v in values):
                return "%s: a value is not a dB level" % where
            if segments.setdefault(low, (high, step)) != (high, step):
                return "%s: the segment at %d Hz changed its frequencies" % (where, low)
            rows += 1
    if rows < min_rows:
        return "%s: %d rows, expected at least %d" % (path, rows, min_rows)
    return None


if __name__ == "__main__":
    fault = check(sys.argv[1], int(sys.argv[2]) if len(sys.argv) > 2 else 1)
    if fault:
        print(fault, file=sys.stderr)
        sys.exit(1)
    print("%s: rtl_power columns ok" % sys.argv[1])
