#!/usr/bin/env bash
# Builds one fixture database from the SQL files of tests/fixtures/<name>/ with isql-fb in
# embedded mode: owner MORABY, dialect 3, page size 16384, default character set SJIS_0208.
# Usage: tools/fixtures.sh <system|company|fileman> <output.fdb> [build-dir]
#   build-dir: whose UDR module is installed first (the argument, else $ZETRINO_BUILD_DIR, else
#   build; relative to the repository root).
# The output is written whole or not at all (built beside it, then renamed).
set -euo pipefail
if [[ $# -lt 2 || $# -gt 3 ]]; then
    echo "usage: $0 <system|company|fileman> <output.fdb> [build-dir]" >&2
    exit 2
fi
root=$(cd "$(dirname "$0")/.." && pwd)
name=$1
output=$(realpath -m "$2")
build=${3:-${ZETRINO_BUILD_DIR:-build}}
[[ $build == /* ]] || build="$root/$build"
source_dir="$root/tests/fixtures/$name"
if [[ ! -d "$source_dir" ]]; then
    echo "no fixture '$name' in tests/fixtures" >&2
    exit 2
fi
# The embedded engine keeps its lock files there; Debian makes it the firebird group's.
lock_dir=${FIREBIRD_LOCK:-/tmp/firebird}
if [[ -d $lock_dir && ! -w $lock_dir ]]; then
    echo "Firebird's lock folder $lock_dir is not writable for $(id -un): add the user to the" \
         "firebird group (sudo adduser $(id -un) firebird) and log in again" >&2
    exit 1
fi
mkdir -p "$(dirname "$output")"
# The system and file-management fixtures declare our UDR file procedures: the engine must
# find the module when the DDL runs.
if [[ -f "$build/src/udr/libzetrino_files.so" ]]; then "$root/tools/install-udr.sh" "$build" >&2; fi
work=$(mktemp -d "$(dirname "$output")/.fixture-XXXXXX")
trap 'rm -rf "$work"' EXIT

db="$work/db.fdb"
script="$work/build.sql"
{
    echo "SET SQL DIALECT 3;"
    echo "CREATE DATABASE '$db' USER 'MORABY' PAGE_SIZE 16384 DEFAULT CHARACTER SET SJIS_0208;"
    # A folder with a BASE file (naming another fixture folder) starts from that one's scripts.
    sources=()
    if [[ -f "$source_dir/BASE" ]]; then sources+=("$root/tests/fixtures/$(tr -d '[:space:]' <"$source_dir/BASE")"/*.sql); fi
    sources+=("$source_dir"/*.sql)
    for f in "${sources[@]}"; do
        cat "$f"
        echo
    done
} >"$script"

# Embedded engine: no server, no password check; the user named owns the database.
if ! out=$(isql-fb -q -b -ch UTF8 -user MORABY -i "$script" 2>&1); then
    echo "building fixture '$name' failed:" >&2
    echo "$out" >&2
    exit 1
fi
if [[ -n "$out" ]]; then
    echo "$out" >&2
fi
mv -f "$db" "$output"
