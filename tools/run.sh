#!/usr/bin/env bash
# Sets up, builds and starts the wizard, standalone, on the sample data root: built on the first
# run under ${XDG_DATA_HOME:-~/.local/share}/zetrino-sample and reused afterwards.
set -euo pipefail
cd "$(dirname "$0")/.."
if [[ -z ${DISPLAY:-} && -z ${WAYLAND_DISPLAY:-} ]]; then
    echo "The wizard needs a display: run it on a desktop, or under the virtual X server with 'xvfb-run -a tools/run.sh'." >&2
    exit 2
fi
tools/setup.sh build-release Release
root="${XDG_DATA_HOME:-$HOME/.local/share}/zetrino-sample"
if [[ ! -d $root ]]; then
    tools/sample-data.sh "$root" build-release
fi
export ZETRINO_COMMON_APPDATA_DIR="$root"
export ZETRINO_REGISTRY="$root/registry.ini"
exec build-release/src/app/zetrino-rendo
