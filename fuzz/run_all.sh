#!/usr/bin/env bash
# Runs every fuzz target for a bounded time from the checked-in seed corpus.
# New inputs go to a scratch folder, so the corpus in the tree stays as it is.
# Any finding (crash, sanitizer report, leak, timeout) fails the run; its
# input is kept under the scratch folder and its path printed.
#   fuzz/run_all.sh <folder with the fuzz_* binaries> [seconds per target]
set -euo pipefail
bin=${1:?folder with the fuzz targets}
seconds=${2:-45}
here=$(cd "$(dirname "$0")" && pwd)
scratch=$(mktemp -d "${TMPDIR:-/tmp}/tav-fuzz.XXXXXX")
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:allocator_may_return_null=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
failed=()
for target in "$bin"/fuzz_*; do
  name=$(basename "$target")
  [ -x "$target" ] || continue
  mkdir -p "$scratch/$name/corpus" "$scratch/$name/findings"
  log="$scratch/$name/log"
  seeds=()
  [ -d "$here/corpus/$name" ] && seeds=("$here/corpus/$name")
  if "$target" -max_total_time="$seconds" -timeout=30 -print_final_stats=1 -close_fd_mask=1 \
       -artifact_prefix="$scratch/$name/findings/" \
       "$scratch/$name/corpus" "${seeds[@]}" >"$log" 2>&1; then
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    echo "$name: ${runs:-?} executions in ${seconds} s, no finding"
  else
    echo "$name: FINDING (inputs in $scratch/$name/findings/)"
    grep -E 'ERROR|SUMMARY|runtime error' "$log" | head -n 5 || true
    failed+=("$name")
  fi
done
if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzz findings in: ${failed[*]}"
  exit 1
fi
rm -rf "$scratch"
