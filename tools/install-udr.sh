#!/usr/bin/env bash
# Installs our UDR module (the server's file procedures) where Firebird's UDR engine loads it:
# $(dir_plugins)/udr, used by the server and by the embedded engine alike.
# Usage: tools/install-udr.sh [build-dir]
#   build-dir: the argument, else $ZETRINO_BUILD_DIR, else build; relative to the repository root.
# Beside it, zetrino_files.conf holds the server's settings of the procedures: drive lines
# ("D: = /srv/d"; C: is "/" unless a line says otherwise) and the work folder below the drive of
# the system folder ("WORK = \morabyzaimu\temp", the clients' server work path). The install
# writes the WORK line when the file has none and keeps every other line.
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
conf="$dir/zetrino_files.conf"
has_work() { as_root grep -qiE '^[[:space:]]*WORK[[:space:]]*=' "$conf" 2>/dev/null; }
if cmp -s "$module" "$target" && has_work; then
    exit 0
fi
if ((EUID != 0)) && ! command -v sudo >/dev/null; then
    echo "installing $target needs root: run tools/install-udr.sh as root or install sudo" >&2
    exit 1
fi
as_root mkdir -p "$dir"
# Copy beside, then rename: a process that mapped the old file keeps a whole one, and parallel
# runs of this script each rename a whole copy of their own.
work=""
trap '[[ -z $work ]] || as_root rm -f "$work"' EXIT
if ! has_work; then
    work=$(as_root mktemp "$dir/.zetrino_files.XXXXXX")
    {
        if as_root test -f "$conf"; then
            as_root cat "$conf"
        else
            printf '# Settings of the server file procedures (libzetrino_files.so).\n'
        fi
        printf 'WORK = \\morabyzaimu\\temp\n'
    } | as_root tee "$work" >/dev/null
    as_root chmod 0644 "$work"
    as_root mv -f "$work" "$conf"
fi
if ! cmp -s "$module" "$target"; then
    work=$(as_root mktemp "$dir/.libzetrino_files.XXXXXX")
    as_root install -m 0644 "$module" "$work"
    as_root mv -f "$work" "$target"
    echo "installed $target"
fi
