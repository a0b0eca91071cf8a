#!/usr/bin/env bash
# Builds a sample data root for the wizard from the fixture SQL, with the embedded engine:
#   <root>/quelto/morabyzaimu/data/dwaccdef.fdb  system database; operator 20, password "sample"
#   <root>/quelto/morabyzaimu/data/0001..0005/   five data sets (dwacc.fdb) with their catalogue rows
#   <root>/quelto/morabyzaimu/data01/            folder of the second data place (client/server
#                                                modes), whose 120 empty slots the catalogue lists
#   <root>/registry.ini                          the registry store naming the installed product
# The program then runs with ZETRINO_COMMON_APPDATA_DIR=<root> and ZETRINO_REGISTRY=<root>/registry.ini;
# it writes its settings file itself on the first start.
# Usage: tools/sample-data.sh <root> [build-dir]    (the root must not exist yet)
# The root is built beside its final place and renamed: it is there whole or not at all.
set -euo pipefail
if [[ $# -lt 1 || $# -gt 2 ]]; then
    echo "usage: $0 <root> [build-dir]" >&2
    exit 2
fi
here=$(cd "$(dirname "$0")/.." && pwd)
root=$(realpath -m "$1")
build_dir=${2:-build}
[[ $build_dir = /* ]] || build_dir="$here/$build_dir"
if [[ -e $root ]]; then
    echo "$root already exists" >&2
    exit 2
fi
# The system fixture declares the UDR file procedures: the engine must find our module.
if [[ -f "$build_dir/src/udr/libzetrino_files.so" ]]; then
    "$here/tools/install-udr.sh" "$build_dir" >&2
fi

mkdir -p "$(dirname "$root")"
work=$(mktemp -d "$(dirname "$root")/.sample-XXXXXX")
trap 'rm -rf "$work"' EXIT

# The folders as the program names them: drive C: is the file system's root.
windows_path() { printf 'C:%s' "${1//\//\\}"; }
# SQL text of a Windows path: "\" goes in as the byte 0x5C (x'5C'), never through the UTF-8 script.
sql_path() {
    local path=$1 out="" part
    IFS='\' read -r -a parts <<<"$path"
    for part in "${parts[@]}"; do
        if [[ -n $out ]]; then out+=" || x'5C' || "; fi
        out+="'${part//\'/\'\'}'"
    done
    printf '%s' "$out"
}
run_sql() { # <database> <sql>
    local out
    if ! out=$(printf 'SET SQL DIALECT 3;\nCONNECT '\''%s'\'' USER '\''MORABY'\'';\n%s\nCOMMIT;\n' "$1" "$2" |
        isql-fb -q -b -ch UTF8 2>&1); then
        echo "sample data: SQL on $1 failed:" >&2
        echo "$out" >&2
        exit 1
    fi
}

data_root="$work/quelto/morabyzaimu"
# The standard place and the fixture's second place (its folder beside, "data01").
mkdir -p "$data_root/data" "$data_root/data01"
"$here/tools/fixtures.sh" system "$data_root/data/dwaccdef.fdb"
"$here/tools/fixtures.sh" company "$work/company.fdb"

# The catalogue names the folders where they end up, not where they are built.
# The data sets lie in the data folder beside the system database, where the catalogue puts them.
final_data=$(windows_path "$root/quelto/morabyzaimu/data")
slots_sql="
INSERT INTO OPERATOR (GROUPID, OPCODE, OPNAME, JOBLEVEL, PASWORD, JIMUSHO, MYNUMBER_ADM)
    VALUES (10000, 20, 'サンプル管理者', 9, 'sample', 0, 1);
UPDATE DATAPLACEMAN SET PATH = $(sql_path "$final_data") WHERE REC = 0;
UPDATE DATAPLACEMAN SET PATH = $(sql_path "$final_data") || '01' WHERE REC = 1;
SELECT COUNT(*) FROM SP_DATALIST_INSERT(1, $(sql_path "$final_data") || '01', 120);
UPDATE DATALIST SET PASNAME = $(sql_path "$final_data") || x'5C' || LPAD(REC, 4, '0')
    WHERE GROUPID = 10000;"

# Each set has its own code (ACCDEF1.SCODE1, which 更新 copies into the catalogue).
# slot  trade name         catalogue CODETYPE  change made to the data set itself
slots=(
    "1|サンプル商店|1|"
    "2|サンプル不動産|2|UPDATE ACCDEF1 SET CODETYPE = 2;"
    "3|サンプル農園|4|UPDATE ACCDEF1 SET CODETYPE = 4;"
    "4|サンプル旧版商店|1|UPDATE ACCVERSION SET MAJOR = 7, MINOR1 = 9, MINOR2 = 0 WHERE REC = 1;"
    "5|サンプル株式会社|1|UPDATE ACCDEF1 SET DATATYPE = 1;"
)
for slot in "${slots[@]}"; do
    IFS='|' read -r rec name codetype change <<<"$slot"
    folder="$data_root/data/$(printf '%04d' "$rec")"
    mkdir -p "$folder"
    cp "$work/company.fdb" "$folder/dwacc.fdb"
    code=$(printf '%04d' "$rec")
    run_sql "$folder/dwacc.fdb" "UPDATE ACCDEF1 SET SHOUGOU = '$name', ENTTEXT = '$name', SCODE1 = '$code';
$change"
    # Slots 4 and 5 keep the catalogue's data type 2 and version 8.0.0: a catalogue refreshed
    # before the data changed, so on a fresh root they pass the launch filter and the wizard's own
    # checks refuse them. 更新 writes the truth and the filter then hides them (README).
    slots_sql+="
UPDATE DATALIST SET ENTTEXT = '$name', SHOUGOU = '$name', DATACODE = '$code', DATATYPE = 2,
    CODETYPE = $codetype, NENDO = 2024, KISHU = '2024-01-01', KIMATU = '2024-12-31',
    VER_MAJOR = 8, VER_MINOR1 = 0, VER_MINOR2 = 0, VER_TEXT = '16版' WHERE REC = $rec;"
done
rm -f "$work/company.fdb"
run_sql "$data_root/data/dwaccdef.fdb" "$slots_sql"

# The registry store: CP932 with CR LF, as the program's own INI files. "Type" is the generation's
# display name, which the version column shows for 8.0 data: the generations count one a major
# version from 09版 (1.0) on.
printf '[HKEY_LOCAL_MACHINE\\SOFTWARE\\QUELTO\\MORABYZAIMU08]\r\nProduct="sz:モラビー財務8"\r\nVersion="sz:8.0.0"\r\nType="sz:16版"\r\n' |
    iconv -f UTF-8 -t CP932 >"$work/registry.ini"

mv "$work" "$root"
trap - EXIT
echo "sample data root: $root"
