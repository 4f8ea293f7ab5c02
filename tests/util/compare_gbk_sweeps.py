#!/usr/bin/env python3
"""Compares the GBK conversion of every one- and two-byte sequence between the Linux build and
the Windows build (gbkprobe --sweep of each).

compare_gbk_sweeps.py <linux sweep> <windows sweep>

Windows' code page 936 gives Private Use Area characters (U+E000 to U+F8FF) for the
user-defined areas and the unassigned cells around GB 2312, where the Linux converter reports
"bad conversion"; those differences are counted and listed by lead byte. Any other difference
fails."""

import collections
import sys

BAD_CONVERSION = "! range_error bad conversion"


def load(path):
    with open(path, encoding="ascii") as file:
        return [line.rstrip("\n").split(" ", 1) for line in file if line.strip()]


def private_use(result):
    parts = result.split()
    return len(parts) == 2 and parts[0] == "=" and 0xE000 <= int(parts[1], 16) <= 0xF8FF


def main():
    if len(sys.argv) != 3:
        print(__doc__, file=sys.stderr)
        return 2
    linux, windows = load(sys.argv[1]), load(sys.argv[2])
    if len(linux) != len(windows) or len(linux) < 256:
        print("FAIL sweeps of %d and %d lines" % (len(linux), len(windows)))
        return 1
    private = collections.Counter()
    other = []
    for (input_l, result_l), (input_w, result_w) in zip(linux, windows):
        if input_l != input_w:
            print("FAIL sweeps out of step at %s / %s" % (input_l, input_w))
            return 1
        if result_l == result_w:
            continue
        if result_l == BAD_CONVERSION and private_use(result_w):
            private[input_l[:2]] += 1
        else:
            other.append("%s: Linux %s, Windows %s" % (input_l, result_l, result_w))
    same = len(linux) - sum(private.values()) - len(other)
    print("%d sequences convert the same; %d are Private Use Area characters on Windows and "
          "bad conversions on Linux (lead bytes %s)"
          % (same, sum(private.values()), " ".join(sorted(private))))
    for line in other[:20]:
        print("FAIL " + line)
    if other:
        print("%d other differences" % len(other))
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
