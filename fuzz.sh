#!/usr/bin/env bash
# Builds the libFuzzer harnesses with clang in build-fuzz/ and runs each for SECONDS (default 60) on
# a copy of its committed corpus. Exits non-zero when a harness finds anything; the inputs that
# failed are left in build-fuzz/findings/<harness>/. One input running past FUZZ_UNIT_TIMEOUT
# seconds (default 120: a viewer input under the sanitizers on a busy machine can take half a
# minute) counts as a hang.
set -euo pipefail
cd "$(dirname "$0")"
seconds="${1:-60}"
scripts/setup.sh

export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$PWD}"
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
CC=clang-14 CXX=clang++-14 cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVORNEX_FUZZ=ON "${launcher[@]}" >/dev/null
cmake --build build-fuzz --target fuzzers -j"${FUZZ_JOBS:-2}"

harnesses=(fuzz_codepage fuzz_stream_search fuzz_url_scan fuzz_string_helpers fuzz_transforms
           fuzz_viewer)
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS="halt_on_error=1:abort_on_error=1:detect_leaks=0:symbolize=1"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
symbolizer="$(command -v llvm-symbolizer-14 || command -v llvm-symbolizer || true)"
[ -n "$symbolizer" ] && export ASAN_SYMBOLIZER_PATH="$symbolizer"

failed=()
for h in "${harnesses[@]}"; do
  work="build-fuzz/run/$h"
  findings="build-fuzz/findings/$h"
  rm -rf "$work"
  mkdir -p "$work/corpus" "$findings"
  cp -r "fuzz/corpus/$h/." "$work/corpus/" 2>/dev/null || true
  log="$work/log.txt"
  status=0
  "build-fuzz/fuzz/$h" "$work/corpus" -max_total_time="$seconds" -rss_limit_mb=4096 \
    -timeout="${FUZZ_UNIT_TIMEOUT:-120}" -print_final_stats=1 -artifact_prefix="$findings/" >"$log" 2>&1 || status=$?
  execs="$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' | tail -1)"
  if [ "$status" -eq 0 ]; then
    printf '%-22s ok      %s executions in %ss\n' "$h" "${execs:-?}" "$seconds"
  else
    printf '%-22s FAILED  %s executions, exit %s; log %s\n' "$h" "${execs:-?}" "$status" "$log"
    grep -m1 -E 'check failed|ERROR: (AddressSanitizer|libFuzzer)|runtime error' "$log" || true
    ls "$findings" 2>/dev/null | sed 's/^/    /'
    failed+=("$h")
  fi
done

if [ ${#failed[@]} -gt 0 ]; then
  echo "Fuzzing found problems in: ${failed[*]}"
  exit 1
fi
echo "Fuzzing found nothing in ${#harnesses[@]} harnesses."
