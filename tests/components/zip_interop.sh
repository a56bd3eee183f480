#!/usr/bin/env bash
# The zip component against independent tools: archives made by Python's zipfile and by
# Debian's zip (stored and deflated) are unpacked by the test program under Wine; the
# archive it writes must pass unzip -t and Python's zipfile with the same contents.
#   zip_interop.sh WINE_RUN TEST_PROGRAM
set -euo pipefail
wine_run=$1
program=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

mkdir -p "$work/src/nested/deep" "$work/archives"
head -c 300000 /dev/urandom >"$work/src/tool.bin"
/usr/bin/python3 -c "print(' Load pattern file tsc.ptn (version 617) [OK]\\r' * 20000)" >"$work/src/text.txt"
printf 'deep inside\r\n' >"$work/src/nested/deep/file.txt"
: >"$work/src/empty.txt"

/usr/bin/python3 - "$work" <<'PY'
import os, sys, zipfile
work = sys.argv[1]
src = os.path.join(work, "src")
for name, method in (("py_stored.zip", zipfile.ZIP_STORED), ("py_deflated.zip", zipfile.ZIP_DEFLATED)):
    with zipfile.ZipFile(os.path.join(work, "archives", name), "w", method) as z:
        for root, _, files in os.walk(src):
            for f in files:
                full = os.path.join(root, f)
                z.write(full, os.path.relpath(full, src))
PY
(cd "$work/src" && zip -q -r -0 ../archives/zip_stored.zip . && zip -q -r -9 ../archives/zip_deflated.zip .)

VORMS_ZIP_INTEROP="Z:${work//\//\\}" "$wine_run" "$program" --gtest_color=no --gtest_filter='Interop.*'

unzip -t "$work/written.zip"
/usr/bin/python3 - "$work" <<'PY'
import os, sys, zipfile
work = sys.argv[1]
src = os.path.join(work, "src")
with zipfile.ZipFile(os.path.join(work, "written.zip")) as z:
    assert z.testzip() is None, "a damaged entry"
    names = sorted(z.namelist())
    expected = sorted(os.path.relpath(os.path.join(r, f), src).replace(os.sep, "/")
                      for r, _, fs in os.walk(src) for f in fs)
    assert names == expected, (names, expected)
    for n in names:
        with open(os.path.join(src, n), "rb") as f:
            assert z.read(n) == f.read(), n
print("python zipfile: written.zip OK,", len(names), "entries")
PY
