#!/usr/bin/env bash
# The company upgrade's cost on a large company database: company-base (version 0.1.0) grown to
# 100,000 journal lines and 10,000 assets is upgraded to 8.0.0 by the headless upgrade driver,
# backups included. Prints each step's time and the whole, beside one gbak backup and one restore
# of the same grown database (the floor: every run that backs up needs one of each), and the ratio
# of the whole to that floor; then what starting the SQL tool once costs (every step starts it
# once) and the load average. Not a test: nothing is asserted, the numbers vary with the machine.
# Usage: tools/bench-upgrade.sh [build-dir]
#   build-dir: the argument, else $ZETRINO_BUILD_DIR, else build-release (the optimized build);
#   relative to the repository root.
# BENCH_JOURNALS and BENCH_ASSETS pick other sizes (100000, 10000).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-${ZETRINO_BUILD_DIR:-build-release}}
[[ $build == /* ]] || build="$root/$build"
driver="$build/tests/dbupdate/upgrade-driver"
if [[ ! -x "$driver" ]]; then
    echo "build the optimized build first: tools/setup.sh build-release Release (no $driver)" >&2
    exit 2
fi
journals=${BENCH_JOURNALS:-100000}
assets=${BENCH_ASSETS:-10000}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
data_root="$work/root"
data_set="$data_root/data/0001"
mkdir -p "$data_set" "$work/tmp"
"$root/tools/fixtures.sh" system-base "$data_root/dwaccdef.fdb" "$build" >/dev/null
"$root/tools/fixtures.sh" company-base "$data_set/dwacc.fdb" "$build" >/dev/null

# Journal lines on the fixture's accounts, one month each, and assets in the old asset table.
isql-fb -q -b -user MORABY "$data_set/dwacc.fdb" >/dev/null <<SQL
SET TERM ^ ;
EXECUTE BLOCK AS
DECLARE n INTEGER = 1;
BEGIN
  WHILE (n <= $journals) DO
  BEGIN
    INSERT INTO SIWAKE (REC, SWKREC, SWKNO, TAISHAKU, HIZUKE, MNUM, SCODE, KCODE, USERCODE, HCODE, BCODE,
        R_KCODE, R_USERCODE, R_HCODE, R_BCODE, NUK, R_NUK, KINGAKU)
      VALUES (:n + 1000, :n + 1000, :n, 1, DATEADD(MOD(:n, 365) DAY TO DATE '2024-01-01'), MOD(:n, 12) + 1,
        '', '6107', '6107', ' ', ' ', '1101', '1101', ' ', ' ', MOD(:n, 9973) + 1, MOD(:n, 9973) + 1,
        MOD(:n, 9973) + 1);
    n = n + 1;
  END
  n = 1;
  WHILE (n <= $assets) DO
  BEGIN
    INSERT INTO KS_SISAN (REC, SCODE, KANRI, MEISYOU, TRANSKBN) VALUES (:n + 1000, NULL, :n, 'bench', 0);
    n = n + 1;
  END
END^
SET TERM ; ^
COMMIT;
SQL

# The system database first (not timed): the company run signs in through it.
TEMP="$work/tmp" "$driver" "$data_root" 10 "" 0 >/dev/null 2>&1 || {
    echo "the system database could not be upgraded" >&2
    exit 1
}

now() { date +%s.%N; }
seconds() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.3f", b - a }'; }

# The floor: one backup and one restore of the grown database.
t0=$(now)
gbak -b -user MORABY "$data_set/dwacc.fdb" "$work/floor.fbk"
t1=$(now)
gbak -rep -user MORABY "$work/floor.fbk" "$work/floor.fdb"
t2=$(now)
backup_s=$(seconds "$t0" "$t1")
restore_s=$(seconds "$t1" "$t2")
floor_s=$(seconds "$t0" "$t2")

# What one step costs before its statements: the SQL tool started as the runner starts it, on
# a script that connects to the grown database (the restored copy) and exits. Five runs, the mean.
printf "CONNECT '%s' USER 'MORABY';\r\nEXIT;\r\n" "$work/floor.fdb" >"$work/connect.sql"
t0=$(now)
for _ in 1 2 3 4 5; do
    ISC_USER=MORABY isql-fb -b -i "$work/connect.sql" -e -m -o "$work/connect.log" </dev/null >/dev/null 2>&1
    rm -f "$work/connect.log"
done
t1=$(now)
tool_s=$(awk -v a="$t0" -v b="$t1" 'BEGIN { printf "%.3f", (b - a) / 5 }')

t0=$(now)
set +e
TEMP="$work/tmp" UPGRADE_DRIVER_TIMES=1 "$driver" "$data_root" "$data_set" 10 "" 1 \
    >"$work/driver.out" 2>"$work/driver.err"
status=$?
set -e
t1=$(now)
whole_s=$(seconds "$t0" "$t1")

echo "company-base with $journals journal lines and $assets assets, upgraded to 8.0.0"
printf '%-8s %10s\n' step seconds
awk '$1 == "time" { printf "%-8s %10s\n", $2, $3 }' "$work/driver.err"
printf '%-8s %10s\n' whole "$whole_s"
printf '%-8s %10s\n' backup "$backup_s"
printf '%-8s %10s\n' restore "$restore_s"
awk -v w="$whole_s" -v f="$floor_s" 'BEGIN { printf "whole / (backup + restore) = %.2f\n", w / f }'
steps=$(awk '$1 == "time" { n++ } END { print n + 0 }' "$work/driver.err")
awk -v t="$tool_s" -v n="$steps" -v w="$whole_s" -v f="$floor_s" 'BEGIN {
    printf "SQL tool start and exit, each %.3f; for the %d steps %.3f\n", t, n, t * n
    printf "(whole - tool starts) / (backup + restore) = %.2f\n", (w - t * n) / f }'
# The tool's start slows down far more than gbak on a busy machine: the load tells the reader.
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg)"
if [[ $status -ne 0 ]]; then
    echo "the upgrade did not finish (driver status $status):"
    grep -v '^time ' "$work/driver.err" || true
    tail -n 5 "$work/driver.out"
fi
