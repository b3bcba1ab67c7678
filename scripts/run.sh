#!/usr/bin/env bash
# Installs what is missing, builds Zelphor and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-run-deps.sh
cmake -S . -B build-release -DCMAKE_BUILD_TYPE=Release -DZELPHOR_TESTS=OFF -DZELPHOR_BENCH=OFF >/dev/null
cmake --build build-release -j"$(nproc)" --target zelphor
exec ./build-release/zelphor "$@"
