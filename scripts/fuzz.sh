#!/usr/bin/env bash
# Fuzzes the engine for SECONDS seconds (default 60) with libFuzzer under
# AddressSanitizer and UndefinedBehaviorSanitizer. Seeds are the legacy pages
# of ../shared/corpus/legacy, each behind a few option headers; what the run
# adds to the corpus is dropped at the end. A finding leaves its input
# as build/fuzz/crash-* (or timeout-*, slow-unit-*) and fails the script.
#   scripts/fuzz.sh [SECONDS] [extra libFuzzer flags, which win...]
set -euo pipefail
cd "$(dirname "$0")/.."
SECONDS_TO_RUN=${1:-60}
shift || true
CXX_FUZZ=${CXX_FUZZ:-$(command -v clang++ || command -v clang++-14 || true)}
if [ -z "$CXX_FUZZ" ]; then
  echo "fuzz: clang++ not found, engine fuzzing skipped (scripts/setup.sh installs it)"
  exit 0
fi
BUILD=${FUZZ_BUILD:-build/fuzz}
mkdir -p "$BUILD"
if ! { cmake -S fuzz -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER="$CXX_FUZZ" &&
       cmake --build "$BUILD" -j "${FUZZ_JOBS:-$(nproc)}"; } >"$BUILD/build.log" 2>&1; then
  tail -40 "$BUILD/build.log"
  echo "fuzz: the fuzz target did not build"
  exit 1
fi

# The corpus lives in the build folder for the run only.
WORK=$(mktemp -d "$(cd "$BUILD" && pwd)/run.XXXXXX")
trap 'rm -rf "$WORK"' EXIT
mkdir "$WORK/corpus"
LEGACY=../shared/corpus/legacy
# Header bytes (see fuzz/engine_fuzz.cpp): switches, entity mode, wrap limit,
# term flags and lengths, then the term's texts.
headers=(
  '\xff\xff\xff\x01\x00\xfe\x00\x00\x00\x00'          # every switch, wrap 254
  '\xff\xff\xff\x01\x02\x3c\x00\x03\x04\x01fontf'     # every switch, wrap 60, a term ignoring case
  '\x00\x00\x00\x00\x00\xfe\x00\x01\x02\x00<P'        # no switch, a term that removes text
)
n=0
if [ -d "$LEGACY" ]; then
  while IFS= read -r -d '' page; do
    for h in "${headers[@]}"; do
      n=$((n + 1))
      { printf "$h"; cat "$page"; } > "$WORK/corpus/seed$n"
    done
  done < <(find "$LEGACY" -type f -print0 | sort -z)
else
  echo "fuzz: no legacy pages at $LEGACY, starting from the dictionary alone"
fi
echo "fuzz: $n seeds, $SECONDS_TO_RUN seconds"
# Inputs are cut at 4 KB: many small runs reach more than few large ones (in
# 15 minutes here, 327,000 runs and 3494 edges against 19,000 and 3244 at
# 32 KB). Documents past the 64 KB chunk size need -max_len=150000 given as
# an extra flag.
# Findings are written into the build folder, not the source tree.
status=0
"$BUILD/engine_fuzz" "$WORK/corpus" -dict=fuzz/html.dict -max_total_time="$SECONDS_TO_RUN" \
  -timeout=60 -rss_limit_mb=2048 -max_len=4096 -print_final_stats=1 \
  -artifact_prefix="$BUILD/" "$@" >"$WORK/log" 2>&1 || status=$?
grep -E '^#[0-9]+[[:space:]]+(INITED|DONE)|^stat::(number_of_executed_units|peak_rss)' "$WORK/log" || true
if [ "$status" != 0 ]; then
  tail -60 "$WORK/log"
  echo "fuzz: finding (libFuzzer exit $status); the input is in $BUILD/"
  exit 1
fi
echo "fuzz: no finding"
