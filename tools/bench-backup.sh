#!/usr/bin/env bash
# Prints what F6 (save) and F7 (restore) of a large company database cost in the data-selection
# dialog, beside `gbak -b` and `gbak -c` of the same database run by hand. Asserts nothing.
#   tools/bench-backup.sh [build-dir]    (default build-release, the optimized build)
# BENCH_JOURNALS (3200000): journal rows added to the company database (about 200 MB).
# The dialog runs through launch-harness on a virtual X server (Xvfb, xdotool): F6 and Enter
# save the first data set into the documents folder, F7 and Enter restore it from there. Each
# step's time is the harness run with it less the same run without it, the trailer and the
# checks included.
set -euo pipefail
# shellcheck source=tools/bench-common.sh
source "$(dirname "$0")/bench-common.sh"
journals=${BENCH_JOURNALS:-3200000}
bench_start bench-backup "${1:-}" gbak
bench_data_root "$journals"
db="$data/0001/dwacc.fdb"
db_bytes=$(stat -c %s "$db")
bench_display
export ZETRINO_DOCUMENTS_DIR="$work/documents"
mkdir -p "$work/documents"

window() {
    local win=
    for _ in $(seq 400); do
        win=$(xdotool search --name "^$1\$" 2>/dev/null | head -1) && [[ -n $win ]] && break
        sleep 0.05
    done
    xdotool windowfocus --sync "$win" 2>/dev/null || true
}
gone() { while xdotool search --name "^$1\$" >/dev/null 2>&1; do sleep 0.05; done; }
# Enter until the place dialog closes (the place list may take the first Enter).
confirm() { for _ in 1 2 3; do xdotool key Return; sleep 0.5; xdotool search --name "^$1\$" >/dev/null 2>&1 || return 0; done; }

# One harness run: "none", "save" (F6) or "restore" (F7). Prints the seconds.
run() {
    local start end
    start=$(date +%s.%N)
    "$harness" "$work/root" 20 sample SyoriType=0 >/dev/null 2>&1 &
    local pid=$!
    window 'データ選択'
    if [[ $1 == save ]]; then
        xdotool key F6; window 'データの保存'; confirm 'データの保存'
        gone '保存中'; sleep 0.2
    elif [[ $1 == restore ]]; then
        xdotool key F7; window 'データの復元'; confirm 'データの復元'
        gone '復元中'; sleep 0.2
    fi
    window 'データ選択'
    xdotool key Escape
    wait "$pid" || true
    end=$(date +%s.%N)
    awk -v a="$start" -v b="$end" 'BEGIN{printf "%.3f\n", b-a}'
}
elapsed() {
    local start end
    start=$(date +%s.%N)
    "$@" >/dev/null 2>&1
    end=$(date +%s.%N)
    awk -v a="$start" -v b="$end" 'BEGIN{printf "%.3f\n", b-a}'
}

base_s=$(run none)
save_run=$(run save)
restore_run=$(run restore)
save_s=$(awk -v a="$base_s" -v b="$save_run" 'BEGIN{printf "%.3f", b-a}')
restore_s=$(awk -v a="$base_s" -v b="$restore_run" 'BEGIN{printf "%.3f", b-a}')
gbak_b=$(elapsed gbak -b -user MORABY -password "${ISC_PASSWORD:-qolvex}" "$db" "$work/hand.fbk")
gbak_c=$(elapsed gbak -c -rep -user MORABY -password "${ISC_PASSWORD:-qolvex}" "$work/hand.fbk" "$work/hand.fdb")
backup=$(find "$work/documents" -name dwacc.fbk | head -1)

printf 'company database    %d MB (%d bytes, %d journals added)\n' "$(( db_bytes / 1024 / 1024 ))" "$db_bytes" "$journals"
printf 'backup file         %s bytes\n' "$( [[ -n $backup ]] && stat -c %s "$backup" || echo none)"
printf 'F6 save (harness)   %.2f s   (run %.2f s, without %.2f s)\n' "$save_s" "$save_run" "$base_s"
printf 'gbak -b             %.2f s   ratio %.2f (goal: 1.2 or less)\n' "$gbak_b" "$(awk -v a="$save_s" -v b="$gbak_b" 'BEGIN{printf "%.3f", a/b}')"
printf 'F7 restore (harness) %.2f s  (run %.2f s, without %.2f s)\n' "$restore_s" "$restore_run" "$base_s"
printf 'gbak -c             %.2f s   ratio %.2f (goal: 1.2 or less)\n' "$gbak_c" "$(awk -v a="$restore_s" -v b="$gbak_c" 'BEGIN{printf "%.3f", a/b}')"
printf 'message boxes       %s\n' "$( [[ -s $work/boxes.txt ]] && tr '\n' ' ' <"$work/boxes.txt" || echo none)"
