#!/usr/bin/env bash
# vornex-tool's compare and CRC-32 on 256 MiB files next to cmp, cmp -l, Python's zlib.crc32 and
# srec_cat, all measured in the same run; a ratio above 1 means vornex-tool is faster.
# Usage: bench/tool_bench_check.sh PATH/TO/vornex-tool [MiB]
set -euo pipefail
tool=$1
mib=${2:-256}
work=$(mktemp -d /tmp/vornex-checkbench.XXXXXX)
trap 'rm -rf "$work"' EXIT
a=$work/a.bin
same=$work/same.bin
changed=$work/changed.bin
out=$work/out
head -c $((mib << 20)) /dev/urandom >"$a"
cp "$a" "$same"
# 1% of the bytes changed, at random offsets.
python3 - "$a" "$changed" <<'PY'
import random, sys
data = bytearray(open(sys.argv[1], 'rb').read())
rng = random.Random(1)
for i in rng.sample(range(len(data)), len(data) // 100):
    data[i] ^= 1 + rng.randrange(255)
open(sys.argv[2], 'wb').write(data)
PY

# Best of RUNS runs (default 3), in seconds. Reports go to a file: cmp -l stops at the first
# difference when its output is /dev/null.
best() {
  local best=
  for ((run = 0; run < ${RUNS:-3}; ++run)); do
    rm -f "$out".*
    local start end
    start=$(date +%s.%N)
    "$@" >"$out".txt 2>/dev/null || true
    end=$(date +%s.%N)
    best=$(echo "$start $end ${best:-1e9}" | awk '{ t = $2 - $1; print (t < $3 ? t : $3) }')
  done
  echo "$best"
}

declare -A seconds
measure() {
  local name=$1
  shift
  seconds[$name]=$(best "$@")
}

measure "cmp, equal" cmp "$a" "$same"
measure "compare, equal" "$tool" compare "$a" "$same"
measure "cmp -l, 1% differ" cmp -l "$a" "$changed"
measure "compare, 1% differ" "$tool" compare "$a" "$changed"
measure "python zlib.crc32" python3 -c \
  "import zlib, sys; print(zlib.crc32(open(sys.argv[1], 'rb').read()))" "$a"
measure "sum --algorithm crc-32" "$tool" sum --algorithm crc-32 "$a"
measure "sum --algorithm crc-32c" "$tool" sum --algorithm crc-32c "$a"
measure "checksum crc-32 (writes $mib MiB)" "$tool" checksum --algorithm crc-32 \
  --range 0:$(((mib << 20) - 4)) --at $(((mib << 20) - 4)) "$a" "$out".bin
# srec_cat takes tens of seconds; one run is enough.
RUNS=1 measure "srec_cat -crc32-l-e" srec_cat "$a" -binary -crop 0 $(((mib << 20) - 4)) \
  -crc32-l-e $(((mib << 20) - 4)) -o "$out".bin -binary

printf '%-36s %9s %9s %-24s %8s\n' "$mib MiB" seconds "MB/s" "next to" ratio
row() {
  local name=$1 other=$2
  awk -v n="$name" -v s="${seconds[$name]}" -v o="$other" -v os="${seconds[$other]}" \
    -v b=$((mib << 20)) \
    'BEGIN { printf "%-36s %9.3f %9.0f %-24s %8.2f\n", n, s, b / s / 1e6, o, os / s }'
}
row "compare, equal" "cmp, equal"
row "compare, 1% differ" "cmp -l, 1% differ"
row "sum --algorithm crc-32" "python zlib.crc32"
row "sum --algorithm crc-32c" "python zlib.crc32"
row "sum --algorithm crc-32" "srec_cat -crc32-l-e"
row "checksum crc-32 (writes $mib MiB)" "srec_cat -crc32-l-e"
for name in "cmp, equal" "cmp -l, 1% differ" "python zlib.crc32" "srec_cat -crc32-l-e"; do
  awk -v n="$name" -v s="${seconds[$name]}" -v b=$((mib << 20)) \
    'BEGIN { printf "%-36s %9.3f %9.0f\n", n, s, b / s / 1e6 }'
done
echo "(ratio: the other program's seconds over vornex-tool's; MB/s of one input)"
