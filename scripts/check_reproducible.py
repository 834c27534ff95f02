#!/usr/bin/env python3
"""Builds the shipped files a second time and compares them byte for byte.

The first build is the tree's own 32-bit Windows build (build/win32, built
here if need be). The second is a copy of the tree's files (what git tracks,
edits not yet committed included, and new files it does not ignore) in
build/reproducible/src, a folder of another name and depth, built there with
the same preset. Both are packed with scripts/pack-dist.sh, and the archives
are compared entry by entry (name, order, date, modes, bytes) and whole. On
a mismatch it names the file, where in it the bytes differ (the PE header
field or section, the offset) and fails.

Usage (from anywhere): check_reproducible.py TARGET...
  the CMake targets the archive is made of (the Makefile's DIST_TARGETS)
"""

import hashlib
import os
import shutil
import struct
import subprocess
import sys
import time
import zipfile

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
WORK = os.path.join(ROOT, "build", "reproducible")
COPY = os.path.join(WORK, "src")


def run(args, cwd):
    print("+ " + " ".join(args), flush=True)
    subprocess.run(args, cwd=cwd, check=True)


def build(tree, targets):
    run(["cmake", "--preset", "win32"], tree)
    run(["cmake", "--build", "--preset", "win32", "--target", *targets], tree)


def pack(tree, out):
    run(["sh", os.path.join(tree, "scripts", "pack-dist.sh"), os.path.join(tree, "build", "win32"),
         out], tree)
    return [os.path.join(out, name) for name in sorted(os.listdir(out)) if name.endswith(".zip")][0]


def copy_tree():
    try:
        listed = subprocess.run(["git", "ls-files", "-z", "--cached", "--others",
                                 "--exclude-standard"], cwd=ROOT, check=True,
                                capture_output=True).stdout
    except (OSError, subprocess.CalledProcessError):
        sys.exit("check_reproducible.py: %s is not a git checkout; git says which files are the "
                 "sources." % ROOT)
    shutil.rmtree(COPY, ignore_errors=True)
    for name in listed.decode().split("\0"):
        source = os.path.join(ROOT, name)
        # Deleted but not yet committed; and the copy's own folder.
        if not name or not os.path.lexists(source) or name.startswith("build/"):
            continue
        target = os.path.join(COPY, name)
        os.makedirs(os.path.dirname(target), exist_ok=True)
        shutil.copy2(source, target, follow_symlinks=False)


def pe_place(data, offset):
    """Where a file offset lies in a PE image, for the message."""
    if len(data) < 0x40 or data[:2] != b"MZ":
        return "offset 0x%x" % offset
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    if data[pe:pe + 4] != b"PE\0\0":
        return "offset 0x%x" % offset
    sections, = struct.unpack_from("<H", data, pe + 6)
    optional_size, = struct.unpack_from("<H", data, pe + 20)
    optional = pe + 24
    table = optional + optional_size
    fields = {pe + 8: "the COFF header's TimeDateStamp", optional + 64: "the optional header's CheckSum"}
    for start, field in fields.items():
        if start <= offset < start + 4:
            return "offset 0x%x, %s" % (offset, field)
    if offset < optional:
        return "offset 0x%x, in the COFF header" % offset
    if offset < table:
        return "offset 0x%x, in the optional header (+0x%x)" % (offset, offset - optional)
    if offset < table + 40 * sections:
        return "offset 0x%x, in the section table" % offset
    for i in range(sections):
        entry = table + 40 * i
        name = data[entry:entry + 8].rstrip(b"\0").decode("latin-1")
        raw_size, raw_start = struct.unpack_from("<II", data, entry + 16)
        if raw_start <= offset < raw_start + raw_size:
            return "offset 0x%x, section %s + 0x%x" % (offset, name, offset - raw_start)
    return "offset 0x%x, outside every section (symbol table or trailing data)" % offset


def describe_bytes(name, first, second):
    """What differs between two versions of one file, in a line or a few."""
    if len(first) != len(second):
        lines = ["%s: %d bytes, against %d" % (name, len(first), len(second))]
    else:
        lines = []
    differing = [i for i in range(min(len(first), len(second))) if first[i] != second[i]]
    if differing:
        runs = []
        for i in differing:
            if runs and i <= runs[-1][1] + 8:
                runs[-1][1] = i
            else:
                runs.append([i, i])
        lines.append("%s: %d bytes differ, in %d places:" % (name, len(differing), len(runs)))
        for start, end in runs[:5]:
            lines.append("  %s: %s against %s" % (pe_place(first, start),
                                                 first[start:end + 1].hex(" "),
                                                 second[start:end + 1].hex(" ")))
        if len(runs) > 5:
            lines.append("  and %d more places" % (len(runs) - 5))
    return lines


def compare(first_zip, second_zip):
    faults = []
    with zipfile.ZipFile(first_zip) as a, zipfile.ZipFile(second_zip) as b:
        names_a = [info.filename for info in a.infolist()]
        names_b = [info.filename for info in b.infolist()]
        if names_a != names_b:
            faults.append("the entries differ: %s against %s" % (names_a, names_b))
        for info_a in a.infolist():
            if info_a.filename not in names_b:
                continue
            info_b = b.getinfo(info_a.filename)
            for field in ("date_time", "external_attr", "create_system", "compress_type", "extra",
                          "comment"):
                if getattr(info_a, field) != getattr(info_b, field):
                    faults.append("%s: the entry's %s is %r against %r" % (
                        info_a.filename, field, getattr(info_a, field), getattr(info_b, field)))
            data_a, data_b = a.read(info_a), b.read(info_b)
            if data_a == data_b:
                print("same bytes: %-24s sha256 %s" % (info_a.filename,
                                                       hashlib.sha256(data_a).hexdigest()))
            else:
                faults.extend(describe_bytes(info_a.filename, data_a, data_b))
    whole_a = open(first_zip, "rb").read()
    whole_b = open(second_zip, "rb").read()
    name = os.path.basename(first_zip)
    if whole_a == whole_b:
        print("same bytes: %-24s sha256 %s" % (name, hashlib.sha256(whole_a).hexdigest()))
    elif not faults:
        faults.extend(describe_bytes(name, whole_a, whole_b))
    return faults


def main():
    targets = sys.argv[1:]
    if not targets:
        sys.exit(__doc__)
    began = time.monotonic()
    build(ROOT, targets)
    copy_tree()
    build(COPY, targets)
    first = pack(ROOT, os.path.join(WORK, "first"))
    second = pack(COPY, os.path.join(WORK, "second"))
    faults = compare(first, second)
    seconds = time.monotonic() - began
    if faults:
        print("\nNot reproducible: the build in %s and the one in %s differ." % (ROOT, COPY))
        print("\n".join(faults))
        sys.exit(1)
    print("Reproducible: two builds, in %s and %s, gave the same files (%.0f s)." % (
        ROOT, COPY, seconds))


if __name__ == "__main__":
    main()
