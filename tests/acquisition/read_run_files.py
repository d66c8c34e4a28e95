#!/usr/bin/env python3
"""Reads a run's data files from one station folder, independently of the
program: counts.bin (CountsRecord, 774 bytes), the numbered raw sample files
(<n>.bin, blocks of (N + 1) x 385 int16) and the numbered histogram files
(histo<nnnn>.bin, 78,556-byte records). Everything little-endian, no header.

As a module: read_station(folder, window_length=500) returns a dict.
As a program: prints that dict as JSON; exit status 1 when a file does not
hold a whole number of records."""

import json
import os
import re
import struct
import sys

COUNTS_RECORD = 774
CHANNEL_SLOTS = 385
HISTOGRAM_CLASSES = 51
HISTOGRAM_RECORD = 16 + 4 * CHANNEL_SLOTS * HISTOGRAM_CLASSES


class RecordSizeError(Exception):
    pass


def _records(path, size):
    data = open(path, "rb").read()
    if len(data) % size:
        raise RecordSizeError(f"{path}: {len(data)} bytes is not a whole number of {size}-byte records")
    return [data[i:i + size] for i in range(0, len(data), size)]


def read_counts(path):
    out = []
    for rec in _records(path, COUNTS_RECORD):
        minutes = struct.unpack_from("<i", rec, 0)[0]
        values = struct.unpack_from("<385h", rec, 4)
        out.append({"minutes": minutes, "counts": list(values[:384]), "temperature_tenths": values[384]})
    return out


def read_raw(path, window_length):
    block = (window_length + 1) * CHANNEL_SLOTS * 2
    out = []
    for rec in _records(path, block):
        out.append(struct.unpack(f"<{(window_length + 1) * CHANNEL_SLOTS}h", rec))
    return out


def read_histogram(path):
    out = []
    for rec in _records(path, HISTOGRAM_RECORD):
        minutes, seconds = struct.unpack_from("<dd", rec, 0)
        classes = struct.unpack_from(f"<{CHANNEL_SLOTS * HISTOGRAM_CLASSES}i", rec, 16)
        out.append({"minutes": minutes, "seconds_per_sample": seconds, "classes": classes})
    return out


def read_station(folder, window_length=500):
    names = sorted(os.listdir(folder))
    result = {"counts": [], "raw": {}, "histogram": {}}
    if "counts.bin" in names:
        result["counts"] = read_counts(os.path.join(folder, "counts.bin"))
    for name in names:
        if re.fullmatch(r"\d+\.bin", name):
            result["raw"][int(name[:-4])] = read_raw(os.path.join(folder, name), window_length)
        elif re.fullmatch(r"histo\d{4,}\.bin", name):
            result["histogram"][int(name[5:-4])] = read_histogram(os.path.join(folder, name))
    return result


def summary(station):
    return {
        "counts_records": len(station["counts"]),
        "minutes": [r["minutes"] for r in station["counts"]],
        "temperature_tenths": [r["temperature_tenths"] for r in station["counts"]],
        "channels_with_counts": sorted({c for r in station["counts"] for c, v in enumerate(r["counts"]) if v}),
        "raw_blocks": {n: len(b) for n, b in sorted(station["raw"].items())},
        "histogram_records": {n: len(r) for n, r in sorted(station["histogram"].items())},
    }


def main(argv):
    if len(argv) < 2:
        print("usage: read_run_files.py <station folder> [window length]", file=sys.stderr)
        return 2
    window_length = int(argv[2]) if len(argv) > 2 else 500
    try:
        station = read_station(argv[1], window_length)
    except RecordSizeError as e:
        print(e, file=sys.stderr)
        return 1
    print(json.dumps(summary(station), indent=1))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
