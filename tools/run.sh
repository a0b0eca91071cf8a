#!/usr/bin/env bash
# Sets up, builds and starts the wizard, standalone, on the sample data root: built on the first
# run under ${XDG_DATA_HOME:-~/.local/share}/zetrino-sample and reused afterwards. Arguments go to
# the program (a caller's start line, for example).
set -euo pipefail
cd "$(dirname "$0")/.."
if [[ -z ${DISPLAY:-} && -z ${WAYLAND_DISPLAY:-} ]]; then
    echo "The wizard needs a display: run it on a desktop, or under the virtual X server with 'xvfb-run -a tools/run.sh'." >&2
    exit 2
fi
# Once configured, the set-up and build speak only when something fails.
if [[ -f build-release/build.ninja ]]; then
    log=$(mktemp)
    if ! tools/setup.sh build-release Release >"$log" 2>&1; then
        cat "$log" >&2
        rm -f "$log"
        exit 1
    fi
    rm -f "$log"
else
    tools/setup.sh build-release Release
fi
root="${XDG_DATA_HOME:-$HOME/.local/share}/zetrino-sample"
if [[ ! -d $root ]]; then
    tools/sample-data.sh "$root" build-release
fi
export ZETRINO_COMMON_APPDATA_DIR="$root"
export ZETRINO_REGISTRY="$root/registry.ini"
exec build-release/src/app/zetrino-rendo "$@"
