#!/usr/bin/env bash
# Builds and runs the IPC benchmark under Wine with a persistent wineserver.
# Usage: benchmarks/ipc/run.sh [--rounds N] [--blocks B] [--messages M]
# (BUILD_DIR picks the build directory, build/ by default.)
set -euo pipefail
source "$(dirname "$0")/../../scripts/lib/common.sh"
ensure_packages
configure_and_build
prepare_prefix
trap stop_wineserver EXIT
start_wineserver
wine "$BUILD_DIR/bin/ipc_bench.exe" "$@"
