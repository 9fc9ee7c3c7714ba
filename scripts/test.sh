#!/usr/bin/env bash
# Builds everything and runs every test, then the engine's tests again under
# AddressSanitizer and UndefinedBehaviorSanitizer, then fuzzes the engine.
set -euo pipefail
cd "$(dirname "$0")/.."
JOBS=$(nproc)
cmake --preset release >/dev/null
cmake --build --preset release -j "$JOBS"
QT_QPA_PLATFORM=offscreen ctest --preset release -j "$JOBS"
cmake --preset asan >/dev/null
cmake --build --preset asan -j "$JOBS"
ctest --preset asan -j "$JOBS"
# The engine under libFuzzer for a minute.
bash scripts/fuzz.sh 60
