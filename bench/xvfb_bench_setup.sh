# shellcheck shell=bash
# xvfb_bench_setup.sh — sourced first by the benchmarks that time windows (startup_bench.sh,
# held_keys_bench.sh), with their arguments. Runs the script again on a private Xvfb display of its
# own unless it already runs there; then gives it $work, a folder removed when the script exits,
# with a private runtime folder in it (Qt and GTK ask for one and warn on every start without it),
# and median, the median of the numbers on its input, one a line.
if [ -z "${VORNEX_ON_PRIVATE_XVFB:-}" ]; then
  VORNEX_ON_PRIVATE_XVFB=1 exec "$(dirname "${BASH_SOURCE[0]}")/../tests/x11/with_xvfb.sh" "$0" "$@"
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -m 700 "$work/runtime"
export XDG_RUNTIME_DIR="$work/runtime"

median() {
  sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}
