#!/usr/bin/env bash
# Installs what the build needs on Debian 12 (run as root, or with sudo).
set -euo pipefail
SUDO=""
if [ "$(id -u)" != 0 ]; then SUDO=sudo; fi
export DEBIAN_FRONTEND=noninteractive
PKGS="cmake ninja-build g++ libgtest-dev libgmock-dev libbenchmark-dev qt6-base-dev chromium fonts-dejavu-core"
missing=""
for p in $PKGS; do dpkg -s "$p" >/dev/null 2>&1 || missing="$missing $p"; done
if [ -n "$missing" ]; then
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends $missing
fi
