#!/bin/bash
# Crash figures: "skylog --headless" against the logger simulator is killed with SIGKILL at random moments
# during fetches and polls, then the data it leaves are checked and it is started again. The same once more
# with another program reading the database all the time (sqlite3 in a loop).
#
#   bench/crash.sh [build directory, default build] [kills per round, default 50] [seed, default 1]
#
# After every kill:
#   - PRAGMA integrity_check gives ok;
#   - every average record has all its rows (kinds 2, 3 and 4: three rows per time);
#   - no line of Testlog.txt is torn (each ends with CR LF and has all its fields);
#   - every record with a line in Testlog.txt is in the database or in Skylog.spool;
#   - records the logger handed out ("M ->" in the simulator's log) that are neither in the database nor in
#     Skylog.spool: at most one per kill;
#   - the next start works: the program opens the port and polls again.
# Time runs 20 times faster for the program (faketime), so a fetch of averages falls due every 3 s.
set -u

build=$(realpath "${1:-build}")
kills=${2:-50}
RANDOM=${3:-1}
speed=20
fields=7 # the date and, for each of the two channels, number, sensor code and value

faketime=$(ls /usr/lib/*/faketime/libfaketime.so.1 2>/dev/null | head -n 1)
for need in "$build/bin/skylog" "$build/bin/logger-sim" "$build/bin/SkylogIni.db" "$faketime"; do
    if [ ! -e "$need" ]; then
        echo "missing: ${need:-libfaketime (package faketime)}" >&2
        exit 2
    fi
done
command -v sqlite3 >/dev/null || { echo "missing: sqlite3" >&2; exit 2; }
# The checks wait for a lock as the program does; the reader below is plain sqlite3.
db() { sqlite3 -cmd ".timeout 5000" "$dir/Skylog.db" "$@"; }

work=$(mktemp -d)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do
        kill "$pid" 2>/dev/null
    done
    wait 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

# Waits up to $1 seconds for the command that follows to succeed.
wait_for() {
    local deadline=$((SECONDS + $1))
    shift
    until "$@"; do
        [ $SECONDS -ge $deadline ] && return 1
        sleep 0.02
    done
}

# Lines of the simulator's log since line $1 that show an answer to request $2.
answers_since() { tail -n +$(($1 + 1)) "$dir/sim.log" | grep -c " $2 -> "; }
started() { grep -q "Schnittstelle geöffnet" "$dir/out.txt" && [ "$(answers_since "$base" A)" -gt 0 ]; }
fetching() { [ "$(answers_since "$base" H)" -gt 0 ]; }
records_since_start() { [ "$(answers_since "$base" M)" -ge "$1" ]; }

start_program() {
    : >"$dir/out.txt"
    base=$(wc -l <"$dir/sim.log")
    # The fetch falls due at the first due check.
    db "UPDATE tblTemp SET LastAccessTime = '2020-01-01 00:00:00'" || return 1
    LANG=de_DE.UTF-8 LC_ALL= LD_PRELOAD=$faketime FAKETIME="+0 x$speed" "$dir/skylog" --headless >"$dir/out.txt" 2>>"$dir/err.txt" &
    program=$!
    local begin=$EPOCHREALTIME
    wait_for 20 started || return 1
    startup=$(awk -v a="$begin" -v b="$EPOCHREALTIME" 'BEGIN { printf "%.1f", b - a }')
}

# Record times the logger handed out, and those in the database or the spool, one per line, sorted.
handed_out() {
    sed -n 's/.* M -> <STX>M.\(..\)\(..\)\(..\)..\(..\)\(..\)\(..\).*/20\3-\2-\1 \4:\5:\6/p' "$dir/sim.log" | sort -u
}
kept() {
    {
        db "SELECT DISTINCT MeasTime FROM tblMesswerte WHERE was = 2"
        # Whole lines only: one cut off by the kill never counted.
        [ -f "$dir/Skylog.spool" ] && head -n "$(wc -l <"$dir/Skylog.spool")" "$dir/Skylog.spool" |
            cut -d'|' -f3 | tr T ' '
    } | sort -u
}
reported() {
    [ -f "$dir/Testlog.txt" ] || return 0
    cut -d'|' -f1 "$dir/Testlog.txt" | awk '{
        split($1, d, "."); t = NF > 1 ? $2 : "00:00:00"; print d[3] "-" d[2] "-" d[1] " " t }' | sort -u
}

round() {
    local reader=$1
    dir=$work/round$reader
    mkdir -p "$dir"
    cp "$build/bin/skylog" "$build/bin/SkylogIni.db" "$dir/"
    cp "$dir/SkylogIni.db" "$dir/Skylog.db"
    db "UPDATE tblTemp SET Configured = 1;
        UPDATE tblSysConf SET MittelAktiv = 1, MittInter = 1, SaveMitt = 1, MomAktiv = 1, MomInter = 1000,
        SaveMom = 1, MittTimeOut = 60000, MomTimeOut = 10000"
    mkfifo "$dir/sim.in"
    "$build/bin/logger-sim" --dir "$dir" --verbose --records 200 --interval 1 --layout 01,02 \
        <"$dir/sim.in" >"$dir/sim.out" 2>"$dir/sim.log" &
    local simulator=$!
    pids+=($simulator)
    exec 3>"$dir/sim.in"
    wait_for 10 grep -q bereit "$dir/sim.out" || { echo "logger-sim did not start" >&2; exit 1; }
    local clock
    clock=$(date +%s)
    if [ "$reader" = 1 ]; then
        (while :; do sqlite3 "$dir/Skylog.db" "SELECT count(*) FROM tblMesswerte" >>"$dir/reads.txt" \
            2>>"$dir/readerrors.txt"; done) &
        readerpid=$!
        pids+=($readerpid)
    fi

    local in_fetch=0 in_poll=0 integrity=0 short=0 torn=0 unreported=0 restarts=0 lost=0 worst=0
    local slowest=0 lastlost=0
    start_program || { echo "the program did not start" >&2; exit 1; }
    for ((i = 1; i <= kills; i++)); do
        # New records in the logger: its clock jumps 100 to 1,000 minutes ahead.
        local more=$((100 + RANDOM % 900))
        clock=$((clock + (more + 1) * 60))
        echo "zeit $(date -d "@$clock" +%Y-%m-%dT%H:%M:%S)" >&3
        if ((i % 2)); then
            # Some moment of the first seconds: start-up and polls, now and then the beginning of the fetch.
            sleep "$(printf '0.%03d' $((RANDOM % 1000)))"
            sleep $((RANDOM % 3))
        else
            # Somewhere in the fetch.
            wait_for 20 fetching
            wait_for 20 records_since_start $((1 + RANDOM % more))
        fi
        kill -KILL "$program"
        wait "$program" 2>/dev/null
        if tail -n +$((base + 1)) "$dir/sim.log" | grep -E ' (A|H|M|MR)(: keine Antwort| ->)' | tail -n 1 |
            grep -q '^[^ ]* A'; then
            in_poll=$((in_poll + 1))
        else
            in_fetch=$((in_fetch + 1))
        fi

        [ "$(db "PRAGMA integrity_check")" = ok ] && integrity=$((integrity + 1))
        local incomplete
        incomplete=$(db "SELECT count(*) FROM (SELECT MeasTime FROM tblMesswerte WHERE was BETWEEN 2 AND 4
            GROUP BY Provider, Konfiguration, MeasTime HAVING count(*) <> 3)")
        ((incomplete > short)) && short=$incomplete
        if [ -s "$dir/Testlog.txt" ]; then
            torn=$(awk -F'|' -v n=$fields '!/\r$/ || NF != n { bad++ } END { print bad + 0 }' "$dir/Testlog.txt")
            [ "$(tail -c 1 "$dir/Testlog.txt" | od -An -c | tr -d ' ')" = '\n' ] || torn=$((torn + 1))
        fi
        unreported=$(comm -23 <(reported) <(kept) | wc -l)
        lost=$(comm -23 <(handed_out) <(kept) | wc -l)
        ((lost - lastlost > worst)) && worst=$((lost - lastlost))
        lastlost=$lost

        if start_program; then
            restarts=$((restarts + 1))
            slowest=$(awk -v a="$startup" -v b="$slowest" 'BEGIN { print (a > b ? a : b) }')
        else
            echo "kill $i: the program did not come up again" >&2
            kill -KILL "$program" 2>/dev/null
            start_program || exit 1
        fi
    done
    kill -TERM "$program"
    wait "$program"
    local status=$?

    local reads="" handed stored
    handed=$(handed_out | wc -l)
    stored=$(kept | wc -l)
    if [ "$reader" = 1 ]; then
        kill "$readerpid"
        wait "$readerpid" 2>/dev/null
        reads=", reader: $(wc -l <"$dir/reads.txt") reads, $(grep -c . "$dir/readerrors.txt") failed"
    fi
    local lineless
    lineless=$(comm -13 <(reported) <(kept) | wc -l)
    exec 3>&-
    kill "$simulator"
    echo "$kills kills ($in_fetch during a fetch, $in_poll during polls)$reads"
    echo "  integrity_check ok:                       $integrity of $kills"
    echo "  records with missing rows:                $short"
    echo "  torn lines in Testlog.txt:                $torn (of $(grep -c . "$dir/Testlog.txt"))"
    echo "  records with a text line, not stored:     $unreported"
    echo "  records stored, without a text line:      $lineless"
    echo "  records handed out: $handed, stored: $stored, lost: $lost (most at one kill: $worst)"
    echo "  restarts that came up and polled:         $restarts of $kills (slowest ${slowest} s)"
    echo "  stopped with SIGTERM at the end:          exit status $status"
    [ "$reader" = 1 ] && sort "$dir/readerrors.txt" | uniq -c | sed 's/^ */  reader: /'
    return 0
}

echo "Without another reader:"
round 0
echo "With sqlite3 reading the database in a loop:"
round 1
