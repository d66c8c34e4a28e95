#!/usr/bin/env python3
"""Reads a run's data files from one station folder, independently of the
program: counts.bin (CountsRecord, 774 bytes), the numbered raw sample files
(<n>.bin, blocks of (N + 1) x 385 int16) and the numbered histogram files
(histo<nnnn>.bin, 78,556-byte records). Everything little-endian, no header.

Only whole records are read. A file that ends inside a record (its writer
was killed while it wrote) keeps its whole records; the trailing fragment is
left out and its size reported under "trailing_bytes" by file name.

As a module: read_station(folder, window_length=500) returns a dict.
As a program: prints a summary of that dict as JSON."""

import json
import os
import re
import struct
import sys

COUNTS_RECORD = 774
CHANNEL_SLOTS = 385
HISTOGRAM_CLASSES = 51
HISTOGRAM_RECORD = 16 + 4 * CHANNEL_SLOTS * HISTOGRAM_CLASSES


def _records(path, size, fragments=None):
    """The whole records of the file; the size of a trailing fragment goes
    to fragments[file name]."""
    with open(path, "rb") as f:
        data = f.read()
    whole = len(data) - len(data) % size
    if whole < len(data) and fragments is not None:
        fragments[os.path.basename(path)] = len(data) - whole
    return [data[i:i + size] for i in range(0, whole, size)]


def read_counts(path, fragments=None, holes=None):
    """The records that are data. An all-zero record that follows a record
    with a larger minute is a hole (a window that was not written), not
    minute 0: it is left out and its index goes to holes. A hole at record 0
    cannot be told from a first record without counts and is read as data."""
    out = []
    previous = 0
    for index, rec in enumerate(_records(path, COUNTS_RECORD, fragments)):
        minutes = struct.unpack_from("<i", rec, 0)[0]
        if previous > 0 and not any(rec):
            if holes is not None:
                holes.append(index)
            continue
        previous = minutes
        values = struct.unpack_from("<385h", rec, 4)
        out.append({"minutes": minutes, "counts": list(values[:384]), "temperature_tenths": values[384]})
    return out


def read_raw(path, window_length, fragments=None):
    block = (window_length + 1) * CHANNEL_SLOTS * 2
    out = []
    for rec in _records(path, block, fragments):
        out.append(struct.unpack(f"<{(window_length + 1) * CHANNEL_SLOTS}h", rec))
    return out


def read_histogram(path, fragments=None):
    out = []
    for rec in _records(path, HISTOGRAM_RECORD, fragments):
        minutes, seconds = struct.unpack_from("<dd", rec, 0)
        classes = struct.unpack_from(f"<{CHANNEL_SLOTS * HISTOGRAM_CLASSES}i", rec, 16)
        out.append({"minutes": minutes, "seconds_per_sample": seconds, "classes": classes})
    return out


def read_station(folder, window_length=500):
    names = sorted(os.listdir(folder))
    result = {"counts": [], "counts_holes": [], "raw": {}, "histogram": {}, "trailing_bytes": {}}
    fragments = result["trailing_bytes"]
    if "counts.bin" in names:
        result["counts"] = read_counts(os.path.join(folder, "counts.bin"), fragments, result["counts_holes"])
    for name in names:
        if re.fullmatch(r"\d+\.bin", name):
            result["raw"][int(name[:-4])] = read_raw(os.path.join(folder, name), window_length, fragments)
        elif re.fullmatch(r"histo\d{4,}\.bin", name):
            result["histogram"][int(name[5:-4])] = read_histogram(os.path.join(folder, name), fragments)
    return result


def summary(station):
    return {
        "counts_records": len(station["counts"]),
        "counts_holes": station["counts_holes"],
        "minutes": [r["minutes"] for r in station["counts"]],
        "temperature_tenths": [r["temperature_tenths"] for r in station["counts"]],
        "channels_with_counts": sorted({c for r in station["counts"] for c, v in enumerate(r["counts"]) if v}),
        "raw_blocks": {n: len(b) for n, b in sorted(station["raw"].items())},
        "histogram_records": {n: len(r) for n, r in sorted(station["histogram"].items())},
        "trailing_bytes": dict(sorted(station["trailing_bytes"].items())),
    }


def main(argv):
    if len(argv) < 2:
        print("usage: read_run_files.py <station folder> [window length]", file=sys.stderr)
        return 2
    window_length = int(argv[2]) if len(argv) > 2 else 500
    station = read_station(argv[1], window_length)
    print(json.dumps(summary(station), indent=1))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
