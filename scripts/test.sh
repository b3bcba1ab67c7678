#!/usr/bin/env bash
# Installs what is missing, builds Zelphor with warnings as errors and runs every test.
#   BUILD_DIR        build folder (default: build)
#   ZELPHOR_SANITIZE ON to build with AddressSanitizer and UndefinedBehaviorSanitizer
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-test-deps.sh
build=${BUILD_DIR:-build}
cmake -S . -B "$build" -DZELPHOR_WERROR=ON -DZELPHOR_SANITIZE="${ZELPHOR_SANITIZE:-OFF}" >/dev/null
cmake --build "$build" -j"$(nproc)"
ctest --test-dir "$build" --output-on-failure -j"$(nproc)" --label-exclude soak "$@"
