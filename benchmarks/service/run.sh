#!/usr/bin/env bash
# Builds and runs the service benchmark under Wine: the real service is
# installed into the prefix's service control manager for the run (and
# removed again, with the minimal service it is measured against).
# Usage: benchmarks/service/run.sh [--starts N] [--blocks B] [--messages M] [--throughput T]
# (BUILD_DIR picks the build directory, build/ by default.)
set -euo pipefail
source "$(dirname "$0")/../../scripts/lib/common.sh"
ensure_packages
configure_and_build
prepare_prefix
trap stop_wineserver EXIT
start_wineserver
wine "$BUILD_DIR/bin/service_bench.exe" "$@"
