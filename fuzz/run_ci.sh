#!/usr/bin/env bash
# CI's fuzz step (make fuzz-ci): builds the fuzz targets only (clang, AddressSanitizer and
# UndefinedBehaviorSanitizer, FUZZ_JOBS jobs) and runs each one from a scratch copy of its
# seed corpus for FUZZ_SECONDS seconds. Every seed runs first, so the inputs that once
# found faults, kept in the corpora, are regression tests. A crash, undefined behaviour, a
# leak, an input slower than FUZZ_TIMEOUT seconds or a run above FUZZ_RSS_MB fails the
# step; the input is saved under $BUILD/fuzz-ci/<target>/ and printed in base64, to be
# added to fuzz/corpus/<target>/ once its fault is fixed. One line per target: executions
# and result; then the step's time.
set -uo pipefail
cd "$(dirname "$0")/.."
BUILD=${BUILD:-build-fuzz}
FUZZ_SECONDS=${FUZZ_SECONDS:-5}
FUZZ_JOBS=${FUZZ_JOBS:-2}
FUZZ_TIMEOUT=${FUZZ_TIMEOUT:-10}
FUZZ_RSS_MB=${FUZZ_RSS_MB:-2048}
start=$(date +%s)

launcher=()
if command -v ccache >/dev/null 2>&1; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
targets=()
for f in fuzz/fuzz_*.cpp; do
  t=$(basename "$f" .cpp)
  targets+=("$t")
done
if ! CC=clang CXX=clang++ cmake -S . -B "$BUILD" -DKG_FUZZ=ON -DKG_BENCH=OFF "${launcher[@]}" >/dev/null ||
   ! cmake --build "$BUILD" -j "$FUZZ_JOBS" --target "${targets[@]}" >"$BUILD/fuzz-ci-build.log" 2>&1; then
  tail -n 40 "$BUILD/fuzz-ci-build.log" 2>/dev/null
  echo "fuzz: the build failed"
  exit 1
fi
built=$(date +%s)

out="$BUILD/fuzz-ci"
rm -rf "$out"
status=0
for t in "${targets[@]}"; do
  name=${t#fuzz_}
  work="$out/$name"
  mkdir -p "$work/corpus"
  if [ -d "fuzz/corpus/$name" ]; then cp -r "fuzz/corpus/$name/." "$work/corpus/"; fi
  "$BUILD/bin/$t" -max_total_time="$FUZZ_SECONDS" -timeout="$FUZZ_TIMEOUT" -rss_limit_mb="$FUZZ_RSS_MB" \
    -print_final_stats=1 -artifact_prefix="$work/" "$work/corpus" >"$work/log" 2>&1
  code=$?
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/log" | tail -n 1)
  found=$(find "$work" -maxdepth 1 -type f \( -name 'crash-*' -o -name 'leak-*' -o -name 'timeout-*' -o -name 'oom-*' -o -name 'slow-unit-*' \) | sort)
  if [ "$code" -eq 0 ] && [ -z "$found" ]; then
    echo "fuzz $t: ${execs:-?} executions in $FUZZ_SECONDS s, ok"
    continue
  fi
  status=1
  echo "fuzz $t: ${execs:-?} executions, FAILED (exit $code)"
  grep -E '^(==[0-9]+==ERROR|SUMMARY|.*runtime error)' "$work/log" | head -n 5 | sed 's/^/  /'
  for a in $found; do
    echo "  input saved: $a ($(stat -c %s "$a") bytes), base64:"
    head -c 65536 "$a" | base64 -w 0 | sed 's/^/  /'
    echo
  done
  [ -n "$found" ] || tail -n 20 "$work/log" | sed 's/^/  /'
done
end=$(date +%s)
echo "fuzz step took $((end - start)) s (build $((built - start)) s, runs $((end - built)) s)"
exit $status
