#!/usr/bin/env python3
"""Builds AEX.dat, the starter history shipped with Koerszicht, from a list of daily closes.

Input: a CSV file with the header "date,close" and one row per trading day (ISO date, close
with a decimal point), in ascending order. Output: one line per calendar day from the first to
the last row, "<day number> - <value>", each ended by CR LF. A trading day carries its close
with a decimal comma; every other day carries the value linearly interpolated between the
trading days around it, written as the program writes the values it fills in: two decimals and
a decimal comma.

    python3 data/tools/make_aex_dat.py data/aex-daily-close.csv data/AEX.dat
"""

import csv
import datetime
import sys

DAY_ZERO = datetime.date(1899, 12, 30)


def day_number(iso_date):
    return (datetime.date.fromisoformat(iso_date) - DAY_ZERO).days


def read_closes(path):
    """[(day number, close text with a decimal point)], ascending, checked."""
    closes = []
    with open(path, newline="", encoding="ascii") as source:
        rows = csv.reader(source)
        if next(rows, None) != ["date", "close"]:
            raise SystemExit(f"{path}: the first line must be 'date,close'")
        for line, row in enumerate(rows, start=2):
            if len(row) != 2:
                raise SystemExit(f"{path}:{line}: expected two fields")
            day, close = day_number(row[0]), row[1]
            whole, point, decimals = close.partition(".")
            if not (whole.isdigit() and point and len(decimals) == 2 and decimals.isdigit()):
                raise SystemExit(f"{path}:{line}: close {close!r} is not written with two decimals")
            if closes and day <= closes[-1][0]:
                raise SystemExit(f"{path}:{line}: dates must ascend")
            closes.append((day, close))
    if not closes:
        raise SystemExit(f"{path}: no rows")
    return closes


def filled_value(low_value, high_value, low_day, high_day, day):
    # The same expression, in the same order, as the program's interpolation of a series.
    value = low_value + (high_value - low_value) * (day - low_day) / (high_day - low_day)
    return format(value, ".2f").replace(".", ",", 1)


def history_lines(closes):
    lines = []
    for (low_day, low_text), (high_day, high_text) in zip(closes, closes[1:]):
        lines.append(f"{low_day} - {low_text.replace('.', ',')}")
        low_value, high_value = float(low_text), float(high_text)
        for day in range(low_day + 1, high_day):
            lines.append(f"{day} - {filled_value(low_value, high_value, low_day, high_day, day)}")
    last_day, last_text = closes[-1]
    lines.append(f"{last_day} - {last_text.replace('.', ',')}")
    return lines


def main(arguments):
    if len(arguments) != 3:
        raise SystemExit(__doc__)
    lines = history_lines(read_closes(arguments[1]))
    with open(arguments[2], "wb") as target:
        target.write("".join(line + "\r\n" for line in lines).encode("ascii"))
    print(f"{arguments[2]}: {len(lines)} days")


if __name__ == "__main__":
    main(sys.argv)
