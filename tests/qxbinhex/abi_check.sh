#!/usr/bin/env bash
# Holds the built libQXBinHex against the ABI recorded for its SOVERSION (qxbinhex/abi/) with
# abidiff: a removed or changed function, variable or type that callers see fails, an addition is
# shown and passes; the private class is passed over (abi.suppr). The record is abidw's XML
# compressed with xz (4 MB of it is the Qt types the API reaches). With --record it writes the
# record instead.
# Usage: abi_check.sh BUILD_DIR SOURCE_DIR WORK_DIR [--record]
set -euo pipefail
build=$(realpath "$1")
source=$(realpath "$2")
work=$(realpath -m "$3")
record_mode=${4:-}

rm -rf "$work"
mkdir -p "$work"
cmake --install "$build" --prefix "$work/prefix" --component lib >/dev/null
cmake --install "$build" --prefix "$work/prefix" --component devel >/dev/null
library=$(find "$work/prefix" -name 'libQXBinHex.so.*.*' | head -1)
[ -n "$library" ] || { echo "libQXBinHex was not installed" >&2; exit 1; }
soname=$(objdump -p "$library" | awk '/SONAME/ { print $2 }')
record=$source/qxbinhex/abi/$soname.abi.xz

if [ "$record_mode" = --record ]; then
  abidw --drop-undefined-syms --no-show-locs --no-corpus-path --out-file "$work/record.abi" \
    "$library"
  xz -9 -c "$work/record.abi" >"$record"
  echo "recorded $record"
  exit 0
fi
[ -f "$record" ] || { echo "no ABI recorded for $soname: raising SOVERSION needs a record of its own (--record)" >&2; exit 1; }

status=0
xz -dc "$record" >"$work/record.abi"
abidiff --suppressions "$source/qxbinhex/abi/abi.suppr" "$work/record.abi" "$library" \
  >"$work/abidiff.txt" 2>&1 || status=$?
cat "$work/abidiff.txt"
# abidiff's status is a bit field: 1 an error, 2 wrong usage, 4 a change, 8 an incompatible one
# (a symbol removed). A change is only compatible when nothing was removed or changed: a type that
# grew a member shows as a changed function taking it.
if (( status & 3 )); then
  echo "abidiff could not compare (status $status)" >&2
  exit 1
fi
if (( status & 8 )) ||
   grep -qE 'summary: ([1-9][0-9]* Removed|[0-9]+ Removed[^,]*, [1-9][0-9]* Changed)' "$work/abidiff.txt"; then
  echo "the library breaks the ABI recorded in $record" >&2
  exit 1
fi
echo "$soname keeps the ABI recorded in $(basename "$record")"
