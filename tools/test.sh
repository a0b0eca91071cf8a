#!/usr/bin/env bash
# Sets up, builds and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup.sh build
# The server and the embedded engine load our file procedures from their plugin folder.
tools/install-udr.sh build
if [[ -x tools/services.sh ]]; then tools/services.sh start; fi
ctest --test-dir build --output-on-failure -j "$(nproc)" --timeout 300 "$@"
