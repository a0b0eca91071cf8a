#!/usr/bin/env bash
# How the export's cost grows with the number of assets: for fixture companies of 100, 1,000,
# 10,000 and 100,000 assets, the wall time and peak memory of a headless export (export-driver)
# beside the time isql-fb takes to read the same asset rows, and their ratio; the cost per asset
# and the memory each further asset adds show whether the growth is linear. Not a test: numbers
# vary with the machine, nothing is asserted.
# Usage: tools/bench-export.sh [build folder] (default: build-release, the optimized build)
# Times are the best of BENCH_RUNS runs (3). BENCH_COUNTS="100 1000" picks other company sizes; BENCH_KEEP=folder keeps the linkage files
# there (outN.xml), to compare the bytes of two builds.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath -m "${1:-$root/build-release}")
driver="$build/tests/export/export-driver"
if [[ ! -x "$driver" ]]; then
    echo "build the optimized build first: tools/setup.sh build-release Release (no $driver)" >&2
    exit 2
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$root/tools/fixtures.sh" system "$work/base/dwaccdef.fdb"
"$root/tools/fixtures.sh" company "$work/base/dwacc.fdb"
mkdir -p "$work/appdata" "$work/run"
printf '[HKEY_LOCAL_MACHINE\\SOFTWARE\\QUELTO\\MORABYZAIMU08]\r\nProduct=bench\r\nVersion=8.0.0\r\n' \
    >"$work/registry.ini"

now() { date +%s.%N; }
printf '%8s %10s %10s %10s %10s %10s %7s\n' \
    assets export_s us/asset peak_kb kb/asset+ isql_s ratio
prev_n=0
prev_peak=0
for n in ${BENCH_COUNTS:-100 1000 10000 100000}; do
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
    # The best of several runs, export and read taking turns: the machine is shared, and a
    # run slowed by someone else's work says nothing about the export.
    export_s=
    isql_s=
    peak=0
    for ((run = 0; run < ${BENCH_RUNS:-3}; ++run)); do
        start=$(now)
        ZETRINO_COMMON_APPDATA_DIR="$work/appdata" ZETRINO_RUNTIME_DIR="$work/run" \
            /usr/bin/time -f '%M' -o "$work/peak" \
            "$driver" "$work/base" "$set_dir" 10 "" 2 "$work/out$n.xml" "$work/registry.ini" \
            2>"$work/err" || { cat "$work/err" >&2; exit 1; }
        t=$(echo "$(now) - $start" | bc)
        [[ -z "$export_s" || $(echo "$t < $export_s" | bc) == 1 ]] && export_s=$t
        ((peak < $(cat "$work/peak"))) && peak=$(cat "$work/peak")
        start=$(now)
        echo "SELECT * FROM KS_SISAN ORDER BY KANRI, REC;" |
            isql-fb -q -ch UTF8 -user MORABY "$set_dir/dwacc.fdb" >/dev/null
        t=$(echo "$(now) - $start" | bc)
        [[ -z "$isql_s" || $(echo "$t < $isql_s" | bc) == 1 ]] && isql_s=$t
    done
    # Memory each asset adds over the previous company size (none for the first).
    growth=-
    if ((prev_n > 0)); then
        growth=$(printf '%.2f' "$(echo "($peak - $prev_peak) / ($n - $prev_n)" | bc -l)")
    fi
    printf '%8d %10.3f %10.1f %10d %10s %10.3f %7.2f\n' "$n" "$export_s" \
        "$(echo "$export_s * 1000000 / $n" | bc -l)" "$peak" "$growth" "$isql_s" \
        "$(echo "$export_s / $isql_s" | bc -l)"
    prev_n=$n
    prev_peak=$peak
    if [[ -n "${BENCH_KEEP:-}" ]]; then
        mkdir -p "$BENCH_KEEP"
        cp "$work/out$n.xml" "$BENCH_KEEP/out$n.xml"
    fi
    rm -f "$set_dir/dwacc.fdb" "$work/out$n.xml"
done
