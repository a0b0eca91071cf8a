#!/usr/bin/env bash
# Installs our UDR module (the server's file procedures) where Firebird's UDR engine loads it:
# $(dir_plugins)/udr, used by the server and by the embedded engine alike.
# Usage: tools/install-udr.sh [build-dir]
# A server that already loaded an older copy keeps it until it restarts.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR=${1:-build}
module="$BUILD_DIR/src/udr/libzetrino_files.so"
if [[ ! -f $module ]]; then
    echo "$module is missing: build the project first" >&2
    exit 1
fi

engine=$(dpkg -L firebird3.0-server-core 2>/dev/null | grep '/plugins/libudr_engine\.so$' | head -1 || true)
if [[ -z $engine ]]; then
    engine=$(ls /usr/lib/*/firebird/3.0/plugins/libudr_engine.so 2>/dev/null | head -1 || true)
fi
if [[ -z $engine ]]; then
    echo "Firebird's UDR engine (firebird3.0-server-core) is not installed" >&2
    exit 1
fi
dir="$(dirname "$engine")/udr"
target="$dir/libzetrino_files.so"
mkdir -p "$dir"
if cmp -s "$module" "$target"; then
    exit 0
fi
# Copy beside, then rename: a process that mapped the old file keeps a whole one, and parallel
# runs of this script each rename a whole copy of their own.
work=$(mktemp "$dir/.libzetrino_files.XXXXXX")
trap 'rm -f "$work"' EXIT
install -m 0644 "$module" "$work"
mv -f "$work" "$target"
echo "installed $target"
