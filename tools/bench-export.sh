#!/usr/bin/env bash
# How the export's cost grows with the number of assets: for fixture companies of 100, 1,000,
# 10,000 and 100,000 assets, the wall time and peak memory of a headless export (export-driver)
# beside the time isql-fb takes to read the same asset rows, and their ratio; the cost per asset
# and the memory each further asset adds show whether the growth is linear. Then the program's
# start-up: the time until its sign-in window shows on a virtual X server, beside a minimal Qt
# Widgets program's. Not a test: numbers vary with the machine, nothing is asserted.
# Usage: tools/bench-export.sh [build-dir]
#   build-dir: the argument, else $ZETRINO_BUILD_DIR, else build-release (the optimized build);
#   relative to the repository root.
# Times are the best of BENCH_RUNS runs (3). BENCH_COUNTS="100 1000" picks other company sizes;
# BENCH_KEEP=folder keeps the linkage files there (outN.xml), to compare the bytes of two builds.
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

# Start-up: the time from starting the program to its sign-in window being shown, on a virtual
# X server, beside the same for a minimal Qt Widgets program (one empty window) on this machine.
program="$build/src/app/zetrino-rendo"
if [[ ! -x "$program" ]]; then
    echo "no $program: start-up not measured" >&2
    exit 1
fi
for tool in Xvfb xdotool pkg-config g++; do
    command -v "$tool" >/dev/null || { echo "$tool is missing: start-up not measured" >&2; exit 1; }
done
cat >"$work/minimal.cpp" <<'CPP'
#include <QApplication>
#include <QWidget>
int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle("minimal-qt-start");
    window.resize(320, 200);
    window.show();
    return app.exec();
}
CPP
# shellcheck disable=SC2046
g++ -std=c++20 -O2 -fPIC "$work/minimal.cpp" -o "$work/minimal" $(pkg-config --cflags --libs Qt6Widgets)
"$root/tools/sample-data.sh" "$work/sample" "$build" >/dev/null
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
xvfb=$!
trap 'kill "$xvfb" 2>/dev/null; rm -rf "$work"' EXIT
for _ in $(seq 100); do [[ -s "$work/display" ]] && break; sleep 0.05; done
[[ -s "$work/display" ]] || { echo "Xvfb did not start: start-up not measured" >&2; exit 1; }
export DISPLAY=":$(cat "$work/display")"

# Seconds from starting the command until a visible window named $1 exists (best of runs).
time_to_window() {
    local title=$1 best= t start pid
    shift
    for ((run = 0; run < ${BENCH_RUNS:-3}; ++run)); do
        start=$(now)
        "$@" >/dev/null 2>&1 &
        pid=$!
        until xdotool search --onlyvisible --name "^$title\$" >/dev/null 2>&1; do
            if ! kill -0 "$pid" 2>/dev/null; then
                echo "$1 ended before showing \"$title\"" >&2
                exit 1
            fi
            if (($(echo "$(now) - $start > 60" | bc))); then
                kill "$pid"
                echo "$1 showed no \"$title\" within 60 s" >&2
                exit 1
            fi
            sleep 0.01
        done
        t=$(echo "$(now) - $start" | bc)
        kill "$pid"
        wait "$pid" 2>/dev/null || true
        [[ -z "$best" || $(echo "$t < $best" | bc) == 1 ]] && best=$t
    done
    echo "$best"
}
# A runtime folder of its own: a copy of the program already running for this user holds the
# single-instance lock in the shared one.
app_s=$(ZETRINO_COMMON_APPDATA_DIR="$work/sample" ZETRINO_REGISTRY="$work/sample/registry.ini" \
    ZETRINO_RUNTIME_DIR="$work/runtime" time_to_window "ログイン" "$program")
minimal_s=$(time_to_window "minimal-qt-start" "$work/minimal")
echo
printf '%-28s %10s\n' start-up seconds
printf '%-28s %10.3f\n' "sign-in window shown" "$app_s" "minimal Qt window shown" "$minimal_s"
printf '%-28s %10.2f\n' ratio "$(echo "$app_s / $minimal_s" | bc -l)"
