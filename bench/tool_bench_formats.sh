#!/usr/bin/env bash
# Reading Intel HEX and S-records: vornex-tool converting a dense file of 256 MiB of data to raw
# binary next to objcopy doing the same, measured in the same run: time (best of RUNS, default 3),
# the speed ratio, and the peak resident memory of each (GNU time's %M) against the data's size.
# vornex-tool flushes its output to disk before renaming it; objcopy does not.
# Usage: bench/tool_bench_formats.sh PATH/TO/vornex-tool [MiB]
set -euo pipefail
tool=$1
mib=${2:-256}
work=$(mktemp -d /tmp/vornex-formatsbench.XXXXXX)
trap 'rm -rf "$work"' EXIT
bytes=$((mib << 20))
head -c "$bytes" /dev/urandom >"$work/data.bin"
"$tool" convert "$work/data.bin" "$work/in.hex"
"$tool" convert "$work/data.bin" "$work/in.s37"
out=$work/out.bin

# Best of RUNS runs: "seconds peak-KiB" of the fastest run.
best() {
  local best= peak=
  for ((run = 0; run < ${RUNS:-3}; ++run)); do
    rm -f "$out"
    /usr/bin/time -o "$work/time" -f '%e %M' "$@" >/dev/null 2>&1
    read -r seconds kib <"$work/time"
    if [ -z "$best" ] || awk -v a="$seconds" -v b="$best" 'BEGIN { exit !(a < b) }'; then
      best=$seconds
      peak=$kib
    fi
  done
  cmp -s "$out" "$work/data.bin" || { echo "$* gave different bytes" >&2; exit 1; }
  echo "$best $peak"
}

printf '%-40s %8s %8s %10s %10s %10s\n' "$mib MiB of data, to raw binary" seconds "MB/s" \
  "x objcopy" "peak MiB" "peak/data"
for format in hex:ihex s37:srec; do
  ext=${format%%:*}
  bfd=${format##*:}
  measured=$(best objcopy -I "$bfd" -O binary "$work/in.$ext" "$out")
  read -r theirs theirsPeak <<<"$measured"
  measured=$(best "$tool" convert "$work/in.$ext" "$out")
  read -r ours oursPeak <<<"$measured"
  for row in "objcopy -I $bfd -O binary:$theirs:$theirsPeak" \
             "vornex-tool convert in.$ext out.bin:$ours:$oursPeak"; do
    IFS=: read -r name seconds kib <<<"$row"
    awk -v n="$name" -v s="$seconds" -v k="$kib" -v b="$bytes" -v t="$theirs" \
      'BEGIN { printf "%-40s %8.2f %8.0f %10.2f %10.0f %10.2f\n", n, s, b / s / 1e6, t / s,
               k / 1024, k * 1024 / b }'
  done
done
echo "(x objcopy: objcopy's time over this one's; peak/data: peak resident memory over the data)"
