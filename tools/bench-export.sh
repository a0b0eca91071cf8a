#!/usr/bin/env bash
# How the export's cost grows with the number of assets: for fixture companies of 100, 1,000
# and 10,000 assets, the wall time and peak memory of a headless export (export-driver) beside
# the time isql-fb takes to read the same asset rows, and their ratio. Not a test: numbers vary
# with the machine. Usage: tools/bench-export.sh [build-dir]
#   build-dir: the argument, else $ZETRINO_BUILD_DIR, else build-release (the optimized build);
#   relative to the repository root.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-${ZETRINO_BUILD_DIR:-build-release}}
[[ $build == /* ]] || build="$root/$build"
driver="$build/tests/export/export-driver"
if [[ ! -x "$driver" ]]; then
    echo "build the optimized build first: tools/setup.sh build-release Release (no $driver)" >&2
    exit 2
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$root/tools/fixtures.sh" system "$work/base/dwaccdef.fdb" "$build"
"$root/tools/fixtures.sh" company "$work/base/dwacc.fdb" "$build"
mkdir -p "$work/appdata" "$work/run"
printf '[HKEY_LOCAL_MACHINE\\SOFTWARE\\QUELTO\\MORABYZAIMU08]\r\nProduct=bench\r\nVersion=8.0.0\r\n' \
    >"$work/registry.ini"

now() { date +%s.%N; }
printf '%8s %12s %12s %12s %8s\n' assets export_s peak_kb isql_s ratio
for n in 100 1000 10000; do
    set_dir="$work/set$n"
    mkdir -p "$set_dir"
    cp "$work/base/dwacc.fdb" "$set_dir/dwacc.fdb"
    # n copies of the straight-line asset 2 (the fixture's other assets removed).
    isql-fb -q -b -ch UTF8 -user MORABY "$set_dir/dwacc.fdb" >/dev/null <<SQL
SET TERM ^ ;
EXECUTE BLOCK AS
DECLARE I INTEGER = 1;
BEGIN
  DELETE FROM KS_SISAN WHERE REC <> 2;
  WHILE (I <= $n) DO
  BEGIN
    INSERT INTO KS_SISAN (REC, KANRI, MEISYOU, SURYO, GSHOUHOU, SYUTODATE, SYUTOKIN,
      KISYUMISYOUKIN, TAIYOUYY, SYOUKIKANSTR, SYOUKIKANEND, JIGYOUWARIAI_NEW, SYOUKINKEI,
      MATUMISYOUKIN, TEKIYO)
    SELECT 1000 + :I, 1000 + :I, MEISYOU, SURYO, GSHOUHOU, SYUTODATE, SYUTOKIN, KISYUMISYOUKIN,
      TAIYOUYY, SYOUKIKANSTR, SYOUKIKANEND, JIGYOUWARIAI_NEW, SYOUKINKEI, MATUMISYOUKIN, TEKIYO
    FROM KS_SISAN WHERE REC = 2;
    I = I + 1;
  END
  DELETE FROM KS_SISAN WHERE REC = 2;
END^
SET TERM ; ^
COMMIT;
SQL
    start=$(now)
    ZETRINO_COMMON_APPDATA_DIR="$work/appdata" ZETRINO_RUNTIME_DIR="$work/run" \
        /usr/bin/time -f '%M' -o "$work/peak" \
        "$driver" "$work/base" "$set_dir" 10 "" 2 "$work/out$n.xml" "$work/registry.ini" \
        2>"$work/err" || { cat "$work/err" >&2; exit 1; }
    export_s=$(echo "$(now) - $start" | bc)
    start=$(now)
    echo "SELECT * FROM KS_SISAN ORDER BY KANRI, REC;" |
        isql-fb -q -ch UTF8 -user MORABY "$set_dir/dwacc.fdb" >/dev/null
    isql_s=$(echo "$(now) - $start" | bc)
    printf '%8d %12.3f %12d %12.3f %8.1f\n' "$n" "$export_s" "$(cat "$work/peak")" "$isql_s" \
        "$(echo "$export_s / $isql_s" | bc -l)"
done
