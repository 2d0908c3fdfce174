#!/usr/bin/env bash
# End-to-end throughput of vornex-tool (read, transform, write) on a 256 MiB file, next to a plain
# copy with dd (the floor) and srec_cat's byte swap, all measured in the same run.
# Usage: bench/tool_bench.sh PATH/TO/vornex-tool [MiB]
set -euo pipefail
tool=$1
mib=${2:-256}
work=$(mktemp -d /tmp/vornex-toolbench.XXXXXX)
trap 'rm -rf "$work"' EXIT
in=$work/in.bin
out=$work/out.bin
head -c $((mib << 20)) /dev/urandom >"$in"
bytes=$((mib << 20))

# Best of RUNS runs (default 3), in seconds.
best() {
  local best=
  for ((run = 0; run < ${RUNS:-3}; ++run)); do
    rm -f "$out" "$out".hex
    local start end
    start=$(date +%s.%N)
    "$@" >/dev/null 2>&1
    end=$(date +%s.%N)
    best=$(echo "$start $end ${best:-1e9}" | awk '{ t = $2 - $1; print (t < $3 ? t : $3) }')
  done
  echo "$best"
}

declare -A seconds
order=()
measure() {
  local name=$1
  shift
  seconds[$name]=$(best "$@")
  order+=("$name")
}

measure "dd bs=1M (copy floor)" dd if="$in" of="$out" bs=1M
measure "dd bs=1M conv=fsync" dd if="$in" of="$out" bs=1M conv=fsync
# srec_cat takes tens of seconds; one run is enough.
RUNS=1 measure "srec_cat -byte-swap 2" srec_cat "$in" -binary -byte-swap 2 -o "$out" -binary
measure "vornex-tool mirror" "$tool" mirror "$in" "$out"
measure "vornex-tool mirror --size 2" "$tool" mirror --size 2 "$in" "$out"
measure "vornex-tool invert" "$tool" invert "$in" "$out"
measure "vornex-tool swap --size 2" "$tool" swap --size 2 "$in" "$out"
measure "vornex-tool bitrev" "$tool" bitrev "$in" "$out"
measure "vornex-tool convert to Intel HEX" "$tool" convert "$in" "$out".hex

dd=${seconds["dd bs=1M (copy floor)"]}
ddsync=${seconds["dd bs=1M conv=fsync"]}
srec=${seconds["srec_cat -byte-swap 2"]}
printf '%-36s %9s %9s %8s %14s %12s\n' "$mib MiB, end to end" seconds "MB/s" "x dd" "x dd+fsync" \
  "x srec_cat"
for name in "${order[@]}"; do
  s=${seconds[$name]}
  awk -v n="$name" -v s="$s" -v b="$bytes" -v dd="$dd" -v ds="$ddsync" -v sc="$srec" \
    'BEGIN { printf "%-36s %9.3f %9.0f %8.2f %14.2f %12.1f\n", n, s, b / s / 1e6, dd / s, ds / s, sc / s }'
done
echo "(MB/s of binary input; the tool's outputs are flushed to disk before they are renamed)"
