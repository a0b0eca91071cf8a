# shellcheck shell=bash
# The set-up the data-selection benchmarks share, sourced by tools/bench-backup.sh and
# tools/bench-copy.sh.
#   bench_start NAME BUILD-DIR TOOL...  the build folder (default build-release) in $build_dir,
#                                  its launch-harness in $harness; Xvfb, xdotool, isql-fb and the
#                                  TOOLs must be there (NAME says who misses them); a work folder
#                                  $work, removed on exit with the X server
#   bench_data_root JOURNALS       the sample data root in $work/root, its data folder in $data,
#                                  JOURNALS journal rows added to the company database of 0001
#   bench_display                  a virtual X server for the harness: DISPLAY, and the program's
#                                  message record and runtime folder in $work, exported
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

bench_start() {
    local bench=$1
    build_dir=${2:-build-release}
    shift 2
    [[ $build_dir = /* ]] || build_dir="$here/$build_dir"
    harness="$build_dir/tests/selection/launch-harness"
    local tool
    for tool in Xvfb xdotool isql-fb "$@"; do
        command -v "$tool" >/dev/null || { echo "$bench: $tool is missing" >&2; exit 2; }
    done
    [[ -x $harness ]] || { echo "$bench: build $harness first" >&2; exit 2; }
    work=$(mktemp -d)
    xvfb_pid=
    trap bench_cleanup EXIT
}

bench_cleanup() {
    [[ -n $xvfb_pid ]] && kill "$xvfb_pid" 2>/dev/null || true
    rm -rf "$work"
}

bench_data_root() {
    "$here/tools/sample-data.sh" "$work/root" "$build_dir" >/dev/null
    data="$work/root/quelto/morabyzaimu/data"
    printf 'SET SQL DIALECT 3;\nCONNECT '\''%s'\'' USER '\''MORABY'\'';\nSET TERM ^ ;\nEXECUTE BLOCK AS DECLARE I INTEGER = 1; BEGIN WHILE (I <= %d) DO BEGIN INSERT INTO SIWAKE (REC, DELFLG, TAISHAKU, SCODE) VALUES (:I, 0, 1, '\'' '\''); I = I + 1; END END^\nSET TERM ; ^\nCOMMIT;\n' \
        "$data/0001/dwacc.fdb" "$1" | isql-fb -q -b >/dev/null
}

bench_display() {
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
    xvfb_pid=$!
    for _ in $(seq 50); do [[ -s $work/display ]] && break; sleep 0.1; done
    export DISPLAY=":$(cat "$work/display")" QT_QPA_PLATFORM=xcb
    export ZETRINO_MESSAGE_RECORD="$work/boxes.txt" ZETRINO_RUNTIME_DIR="$work/runtime"
    mkdir -p "$work/runtime"
}
