#!/usr/bin/env bash
# Installs our UDR module (the server's file procedures) where Firebird's UDR engine loads it:
# $(dir_plugins)/udr, used by the server and by the embedded engine alike.
# Usage: tools/install-udr.sh [build-dir]
#   build-dir: the argument, else $ZETRINO_BUILD_DIR, else build; relative to the repository root.
# The plugin folder belongs to root: a user other than root writes it through sudo.
# A server that already loaded an older copy keeps it until it restarts.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-${ZETRINO_BUILD_DIR:-build}}
[[ $build == /* ]] || build="$root/$build"
module="$build/src/udr/libzetrino_files.so"
if [[ ! -f $module ]]; then
    echo "$module is missing: build the project first (tools/setup.sh $build)" >&2
    exit 1
fi

as_root() {
    if ((EUID == 0)); then "$@"; else sudo "$@"; fi
}

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
if cmp -s "$module" "$target"; then
    exit 0
fi
if ((EUID != 0)) && ! command -v sudo >/dev/null; then
    echo "installing $target needs root: run tools/install-udr.sh as root or install sudo" >&2
    exit 1
fi
as_root mkdir -p "$dir"
# Copy beside, then rename: a process that mapped the old file keeps a whole one, and parallel
# runs of this script each rename a whole copy of their own.
work=$(as_root mktemp "$dir/.libzetrino_files.XXXXXX")
trap 'as_root rm -f "$work"' EXIT
as_root install -m 0644 "$module" "$work"
as_root mv -f "$work" "$target"
echo "installed $target"
