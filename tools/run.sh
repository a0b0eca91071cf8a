#!/usr/bin/env bash
# Sets up, builds and starts the wizard.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup.sh build-release Release
exec build-release/src/app/zetrino-rendo "$@"
