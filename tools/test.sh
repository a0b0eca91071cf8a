#!/usr/bin/env bash
# Sets up, builds and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup.sh build Debug
# The run command's optimized build compiles too, so that a warning only the optimizer reports
# cannot land.
tools/setup.sh build-release Release
started=""
if [[ -x tools/services.sh ]]; then started=$(tools/services.sh start build); fi
# Stop the server afterwards only when this run started it.
if [[ $started == started ]]; then trap 'tools/services.sh stop' EXIT; fi
ctest --test-dir build --output-on-failure -j "$(nproc)" --timeout 300 "$@"
