#!/usr/bin/env bash
# Prints what a standalone paste of a large data set costs in the data-selection dialog, beside
# `cp -r` of the same folder on the same disk. Asserts nothing.
#   tools/bench-copy.sh [build-dir]      (default build-release, the optimized build)
# BENCH_MB (200): the data set's size: its company database grown with journals, the rest files.
# BENCH_JOURNALS (200000): journal rows added to the company database.
# BENCH_RUNS (3): each time is the best of that many runs (the machine may be busy).
# The dialog runs through launch-harness on a virtual X server (Xvfb, xdotool): F2 on the first
# data set, Down to the first empty slot, F2, Esc. The paste's time is the harness run with the
# paste less the same run without the two F2 (same keys and waits otherwise); its peak memory is
# the harness's (GNU time), beside the run without the paste. The damage check the copy runs
# first on the source (when the operator's settings ask for it) is timed alone too, with gfix.
set -euo pipefail
# shellcheck source=tools/bench-common.sh
source "$(dirname "$0")/bench-common.sh"
mb=${BENCH_MB:-200}
journals=${BENCH_JOURNALS:-200000}
bench_start bench-copy "${1:-}" gfix /usr/bin/time
bench_data_root "$journals"
set_name="$data/0001"
db_bytes=$(stat -c %s "$set_name/dwacc.fdb")
rest=$(( mb * 1024 * 1024 - db_bytes ))
if (( rest > 0 )); then
    mkdir -p "$set_name/files"
    head -c "$rest" /dev/urandom >"$set_name/files/attachments.bin"
fi
total=$(du -sb "$set_name" | cut -f1)
bench_display

# One harness run; with "paste" the keys copy slot 1 into slot 6. Prints "seconds peak-kB".
run() {
    local start end
    start=$(date +%s.%N)
    /usr/bin/time -f '%M' -o "$work/rss" "$harness" "$work/root" 20 sample SyoriType=0 >/dev/null 2>&1 &
    local pid=$!
    local win=
    for _ in $(seq 200); do
        win=$(xdotool search --name '^データ選択$' 2>/dev/null | head -1) && [[ -n $win ]] && break
        sleep 0.05
    done
    xdotool windowfocus --sync "$win" 2>/dev/null || true
    # Both runs press the same keys and wait the same; only the two F2 differ.
    [[ $1 == paste ]] && xdotool key F2
    sleep 0.3
    for _ in 1 2 3 4 5; do xdotool key Down; done
    if [[ $1 == paste ]]; then
        xdotool key F2
        while [[ ! -f $data/0006/dwacc.ini ]] || grep -aq 'STATUS=7' "$data/0006/dwacc.ini" 2>/dev/null; do
            sleep 0.05
        done
    fi
    xdotool key Escape
    wait "$pid" || true
    end=$(date +%s.%N)
    echo "$(awk -v a="$start" -v b="$end" 'BEGIN{printf "%.3f", b-a}') $(tail -1 "$work/rss")"
}

# The best of BENCH_RUNS runs of each; every paste run starts from the data root as built.
cp -a "$work/root" "$work/root.orig"
best() { awk -v a="$1" -v b="$2" 'BEGIN{print (a == "" || b + 0 < a + 0) ? b : a}'; }
base_s= base_kb= paste_s= paste_kb=
for ((i = 0; i < ${BENCH_RUNS:-3}; ++i)); do
    read -r s kb < <(run none)
    base_s=$(best "$base_s" "$s") base_kb=$(best "$base_kb" "$kb")
    read -r s kb < <(run paste)
    paste_s=$(best "$paste_s" "$s") paste_kb=$(best "$paste_kb" "$kb")
    rm -rf "$work/root"
    cp -a "$work/root.orig" "$work/root"
done
copy_s=$(awk -v a="$base_s" -v b="$paste_s" 'BEGIN{printf "%.3f", b-a}')
# The copy first checks the source for damage (a validation of its database), as gfix does.
cp_s= check_s=
for ((i = 0; i < ${BENCH_RUNS:-3}; ++i)); do
    rm -rf "$work/cpcopy"
    sync
    start=$(date +%s.%N)
    cp -r "$set_name" "$work/cpcopy"
    sync
    end=$(date +%s.%N)
    cp_s=$(best "$cp_s" "$(awk -v a="$start" -v b="$end" 'BEGIN{printf "%.3f", b-a}')")
    start=$(date +%s.%N)
    gfix -v -full -i -user MORABY "$set_name/dwacc.fdb" >/dev/null 2>&1 || true
    end=$(date +%s.%N)
    check_s=$(best "$check_s" "$(awk -v a="$start" -v b="$end" 'BEGIN{printf "%.3f", b-a}')")
done

printf 'data set            %d MB (%d bytes; company database %d bytes, %d journals)\n' \
    "$(( total / 1024 / 1024 ))" "$total" "$db_bytes" "$journals"
printf 'paste (harness)     %.2f s   (run with paste %.2f s, without %.2f s)\n' "$copy_s" "$paste_s" "$base_s"
printf 'cp -r               %.2f s\n' "$cp_s"
printf 'damage check        %.2f s   (gfix -v -full -i of the company database: the copy does it first)\n' "$check_s"
printf 'ratio paste / cp    %.2f   (goal: 1.5 or less)\n' "$(awk -v a="$copy_s" -v b="$cp_s" 'BEGIN{printf "%.3f", a/b}')"
printf 'peak memory         %d kB with the paste, %d kB without (difference %d kB)\n' \
    "$paste_kb" "$base_kb" "$(( paste_kb - base_kb ))"
