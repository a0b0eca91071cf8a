#!/usr/bin/env bash
# Runs the company upgrade steps 0.1.1 .. 1.0.1 from their data files, one script per step, with
# Debian's isql-fb on a copy of the company-base fixture (0.1.0), in the frame the runner writes:
# CP932, CR LF, header, CONNECT, body, version record, COMMIT, EXIT. A step whose output shows a
# failed statement stops the run. Then checks the stated facts of the steps with isql queries.
# Usage: company-steps-isql.sh <repo root> <work folder> [DATATYPE CODETYPE]
set -euo pipefail
root=$1
work=$2
datatype=${3:-1}
codetype=${4:-1}
steps="$root/src/dbupdate/sql/company"
mkdir -p "$work"
db="$work/dwacc.fdb"
"$root/tools/fixtures.sh" company-base "$db" >/dev/null

fail() { echo "FAIL: $*" >&2; exit 1; }

# One query, its values without headings.
query() {
    printf 'CONNECT '\''%s'\'' USER '\''MORABY'\'';\nSET HEADING OFF;\n%s\n' "$db" "$1" |
        isql-fb -q -ch UTF8 -user MORABY 2>&1 | sed -e 's/^[[:space:]]*//' -e 's/[[:space:]]*$//' -e '/^$/d'
}

field_exists() {
    [[ $(query "SELECT COUNT(*) FROM RDB\$RELATION_FIELDS WHERE RDB\$RELATION_NAME='$1' AND RDB\$FIELD_NAME='$2';") == 1 ]]
}

# A body file with its "-- @include <file>" lines replaced by that file.
body() {
    local line
    while IFS= read -r line || [[ -n $line ]]; do
        if [[ $line =~ ^--\ @include\ (.+)$ ]]; then
            cat "$steps/${BASH_REMATCH[1]}"
        else
            printf '%s\n' "$line"
        fi
    done <"$steps/$1"
}

# run_step MAJOR MINOR1 MINOR2 [body files...]
run_step() {
    local major=$1 minor1=$2 minor2=$3
    shift 3
    local script="$work/dwzdataup.sql" out="$work/dwzdataup.log"
    rm -f "$out"
    {
        echo "/* Ver $major.$minor1.$minor2 */"
        echo
        echo "CONNECT '$db' USER 'MORABY';"
        echo "SET NAMES SJIS_0208;"
        for f in "$@"; do body "$f"; done
        echo "UPDATE ACCVERSION SET MAJOR=$major,MINOR1=$minor1,MINOR2=$minor2,MEMO='$(date '+%Y/%m/%d %H:%M:%S')'"
        echo "WHERE REC=1;"
        echo "COMMIT;"
        echo "EXIT;"
    } | iconv -f UTF-8 -t CP932 | sed 's/$/\r/' >"$script"
    isql-fb -b -e -m -user MORABY -i "$script" -o "$out" </dev/null || true
    if grep -q "Statement failed" "$out"; then
        grep -B2 -A6 "Statement failed" "$out" | iconv -f CP932 -t UTF-8 >&2 || true
        fail "step $major.$minor1.$minor2"
    fi
    [[ $(query "SELECT MAJOR||'.'||MINOR1||'.'||MINOR2 FROM ACCVERSION;") == "$major.$minor1.$minor2" ]] ||
        fail "version after $major.$minor1.$minor2"
    echo "step $major.$minor1.$minor2 done"
}

expect() {
    local got
    got=$(query "$2")
    [[ $got == "$3" ]] || fail "$1: expected '$3', got '$got'"
}

query "UPDATE ACCDEF1 SET DATATYPE=$datatype, CODETYPE=$codetype WHERE REC=1; COMMIT;" >/dev/null

guards=()
field_exists ACCDEF1 SDAI_HASUU3 || guards+=(accdef1-sdai-hasuu3.sql)
field_exists ACCDEF1 KESSAN_KIKAN || guards+=(accdef1-kessan-kikan.sql)
run_step 0 1 1 0.1.1.sql "${guards[@]}"
expect "seed rows" "SELECT COUNT(*) FROM KS_SETSWK_INIT;" 70
expect "null accounts" "SELECT LIST(REC) FROM (SELECT REC FROM KS_SETSWK_INIT WHERE KCODE IS NULL ORDER BY REC);" "14,21,31,35,49,56,66,70"
expect "1401 corporation" "SELECT BAISONKCODE||'/'||JYOSONKCODE||'/'||BAIEKIKCODE FROM KS_SETSWK_INIT WHERE ACCGROUP=1 AND KCODE='1401';" "8201/8202/8101"
expect "1401 individual" "SELECT BAISONKCODE||'/'||JYOSONKCODE||'/'||BAIEKIKCODE FROM KS_SETSWK_INIT WHERE ACCGROUP=2 AND KCODE='1401';" "1608/1608/2205"
echo "all steps done"
