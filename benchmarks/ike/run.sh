#!/usr/bin/env bash
# Builds and runs the IKE supervision benchmark under Wine.
# Usage: benchmarks/ike/run.sh [--launches N] [--messages M] [--blocks B]
set -euo pipefail
source "$(dirname "$0")/../../scripts/lib/common.sh"
ensure_packages
configure_and_build
prepare_prefix
trap stop_wineserver EXIT
start_wineserver
wine "$BUILD_DIR/bin/ike_bench.exe" "$@"
