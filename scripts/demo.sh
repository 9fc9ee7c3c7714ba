#!/usr/bin/env bash
# Runs the main job on the bundled sample web: first as an analysis (the
# pages stay untouched) with a detailed report, then for real on a copy,
# with backups, followed by restoring the backups.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset release >/dev/null
cmake --build --preset release --target slimwright -j "$(nproc)" >/dev/null
SW=./build/release/slimwright
HOME_DIR=$(mktemp -d)
trap 'rm -rf "$HOME_DIR"' EXIT

echo "== Analysis job over examples/web (safe preset, detailed report)"
$SW --home "$HOME_DIR" preset safe
out=$($SW --home "$HOME_DIR" optimize --analysis --report detailed --yes examples/web)
echo "$out"
report=$(echo "$out" | sed -n 's/^Report: //p')
echo "== The report ($report)"
tr -d '\r' < "$report"

if [ "${1:-}" = "--real" ]; then
  COPY="$HOME_DIR/web"
  cp -r examples/web "$COPY"
  echo "== The same job for real on a copy ($COPY), with backups"
  $SW --home "$HOME_DIR" optimize --report brief --yes "$COPY"
  find "$COPY" -name '*.srbak' | sort
  echo "== Restoring the backups"
  $SW --home "$HOME_DIR" restore --yes
  diff -r examples/web "$COPY" --exclude='*.srbak' && echo "Every page is back byte for byte."
fi
