#!/usr/bin/env bash
# Builds the libFuzzer targets with clang in build-fuzz and runs one of them for
# SECONDS on one core, starting from its seed corpus in fuzz/corpus/TARGET.
# What it finds goes to build-fuzz/findings/TARGET; new inputs to
# build-fuzz/corpus/TARGET (the seeds in the repository are never changed).
#   ./scripts/fuzz.sh table_reader_fuzz 120
#   ./scripts/fuzz.sh analysis_fuzz 1800
#   ./scripts/fuzz.sh ranking_fuzz 600
# Extra arguments after SECONDS go to libFuzzer (e.g. -max_len=2048).
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
if [ $# -lt 2 ]; then
  echo "usage: $0 TARGET SECONDS [libFuzzer options...]   (TARGET: table_reader_fuzz, analysis_fuzz or ranking_fuzz)" >&2
  exit 2
fi
target="$1"
seconds="$2"
shift 2
seeds="$ROOT/fuzz/corpus/$target"
if [ ! -d "$seeds" ]; then
  echo "parentsphere: no fuzz target '$target' (no $seeds)" >&2
  exit 2
fi
need clang++ clang
dir="$ROOT/build-fuzz"
configure "$dir" -DCMAKE_CXX_COMPILER=clang++ -DPARENTSPHERE_FUZZ=ON -DPARENTSPHERE_TESTS=OFF \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo
mkdir -p "$dir/corpus/$target" "$dir/findings/$target"
if ! cmake --build "$dir" --target "$target" -j 2 >"$dir/findings/$target/build.log" 2>&1; then
  cat "$dir/findings/$target/build.log" >&2
  echo "parentsphere: the fuzz target $target did not build" >&2
  exit 1
fi
log="$dir/findings/$target/last-run.log"
started=$SECONDS
set +e
"$dir/fuzz/$target" -max_total_time="$seconds" -print_final_stats=1 \
  -artifact_prefix="$dir/findings/$target/" -dict="$ROOT/fuzz/tables.dict" "$@" "$dir/corpus/$target" "$seeds" >"$log" 2>&1
status=$?
set -e
runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
echo "$target: ${runs:-?} executions in $((SECONDS - started)) s, exit status $status (log: $log)"
if [ "$status" -ne 0 ]; then
  grep -E "ERROR|fuzz:|Test unit written|SUMMARY" "$log" | head -20 || true
fi
exit "$status"
