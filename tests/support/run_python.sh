#!/usr/bin/env bash
# Runs a Python program that imports the qxbinhex module MODULE_FILE. A module built with the
# sanitizers needs their runtimes loaded before anything else, which an interpreter built without
# them never does: the runtimes the module links are preloaded then. CPython keeps objects until
# the process ends by design, so leak detection is off for it; the other checks stay.
# Usage: run_python.sh PYTHON MODULE_FILE SCRIPT [ARG...]
set -euo pipefail
python=$1
module=$2
shift 2
preload=()
for runtime in libasan libubsan; do
  path=$(ldd "$module" | awk -v name="$runtime" 'index($1, name ".so") == 1 { print $3 }')
  if [ -n "$path" ]; then preload+=("$path"); fi
done
if [ ${#preload[@]} -gt 0 ]; then
  export LD_PRELOAD="${preload[*]}${LD_PRELOAD:+ $LD_PRELOAD}"
  export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0"
fi
exec "$python" "$@"
