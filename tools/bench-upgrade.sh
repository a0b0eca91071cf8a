#!/usr/bin/env bash
# The company upgrade's cost on a large company database: company-base (version 0.1.0) grown to
# 100,000 journal lines and 10,000 assets is upgraded to 8.0.0 by the headless upgrade driver,
# backups included. Prints each step's time and the whole, beside one gbak backup and one restore
# of the same grown database (the floor: every run that backs up needs one of each), and the ratio
# of the whole to that floor. Not a test: nothing is asserted, the numbers vary with the machine.
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
if [[ $status -ne 0 ]]; then
    echo "the upgrade did not finish (driver status $status):"
    grep -v '^time ' "$work/driver.err" || true
    tail -n 5 "$work/driver.out"
fi
