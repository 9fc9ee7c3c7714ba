#!/usr/bin/env bash
# Installs what the build, the tests and the fuzzer need on Debian 12 (run as
# root, or with sudo). Prints a short summary; the package manager's own
# output goes to a log that is shown only when something fails.
set -euo pipefail
SUDO=""
if [ "$(id -u)" != 0 ]; then SUDO=sudo; fi
export DEBIAN_FRONTEND=noninteractive
# clang and libclang-rt-14-dev bring libFuzzer for scripts/fuzz.sh;
# dpkg-dev lets cpack work out the package's dependencies; chromium (with its
# faster headless shell) and a font render pages for the visual verification
# and its tests.
PKGS="cmake ninja-build g++ libgtest-dev libgmock-dev libbenchmark-dev qt6-base-dev clang libclang-rt-14-dev dpkg-dev chromium chromium-headless-shell fonts-dejavu-core"
missing=""
for p in $PKGS; do dpkg -s "$p" >/dev/null 2>&1 || missing="$missing $p"; done
if [ -z "$missing" ]; then
  echo "setup: all packages present"
  exit 0
fi
echo "setup: installing$missing"
LOG=$(mktemp)
if ! { $SUDO apt-get update -qq && $SUDO apt-get install -y -qq --no-install-recommends $missing; } >"$LOG" 2>&1; then
  tail -40 "$LOG"
  echo "setup: the package installation failed (full log: $LOG)"
  exit 1
fi
rm -f "$LOG"
echo "setup: installed$missing"
