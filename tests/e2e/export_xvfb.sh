#!/usr/bin/env bash
# On a virtual X display, against bbstatsd on its default addresses
# (127.0.0.1-3:8461), from the keyboard: opens Batters, sorts it by home runs
# descending, exports the whole result with Ctrl+E into a file and checks the
# file against the data files (a header row, one row per Batting row, the
# most home runs of any season first), opens the grid's context menu with
# the menu key, and steps back to the default order with Ctrl+Z, checked in
# the service's request log. Screenshots go to $BBSTATS_E2E_SHOTS (default:
# the test's temporary folder). Needs the default ports: runs alone.
# usage: export_xvfb.sh PACKAGED_CLIENT BBSTATSD DB COBRAND_TXT LAHMAN_DIR
set -euo pipefail
client=$1 service=$2 db=$3 cobrand=$4 lahman=$5
here=$(cd "$(dirname "$0")" && pwd)

source "$here/e2elib.sh"
e2e_in_xvfb "$@"

shots=${BBSTATS_E2E_SHOTS:-$work/shots}
mkdir -p "$shots"
log=$work/requests.log
bat=/cgi-bin/getbat.exe
csv=$work/out/batters-by-hr.csv
mkdir -p "$work/out"

shot() {
    sleep 0.5
    import -window root "$shots/export-$1.png"
}
mark() { wc -l <"$log"; }
focus_main() { xdotool windowfocus --sync "$main" 2>/dev/null || true; }

# Waits up to 15 s for a Batters page request after line $1 of the log whose
# body matches the extended regular expression $2.
await_body() {
    local after=$1 pattern=$2 found=""
    for _ in $(seq 1 150); do
        found=$(tail -n +"$((after + 1))" "$log" | sed -n "s#^POST $bat ##p" |
            grep -E -- "^$pattern\$" | tail -1 || true)
        [ -n "$found" ] && break
        sleep 0.1
    done
    [ -n "$found" ] || fail "$3: no request with a body matching $pattern"
}

nl='\\x0d\\x0a'
end='\\x1a'
seasons=$(($(wc -l <"$lahman/Batting.csv") - 1))
# The most home runs in one Batting row (column 12, "HR").
most_hr=$(awk -F, 'NR > 1 && $12 + 0 > m { m = $12 + 0 } END { print m }' "$lahman/Batting.csv")

e2e_start_service "$service" "$db" --log-bodies
e2e_start_client "$client" "$cobrand"

open_database b "Baseball Batters Statistics" $bat 300
await_body 0 "0![0-9]+!300!$nl\\*$nl$end" "Batters"

# Sort: 1st field "HR  - Home Runs", Descending (see query_xvfb.sh).
at=$(mark)
focus_main
xdotool key --delay 150 alt+b Right Right Return
await_window "Baseball Batters - Sort Options"
xdotool key --delay 40 $(printf 'Down %.0s' $(seq 1 17))
xdotool key Tab Down Return
await_gone "Baseball Batters - Sort Options"
await_body "$at" "0![0-9]+!16!$nl\\*$nl$end" "Sort"
shot 1-sorted

# The context menu from the menu key, then closed again.
focus_main
xdotool key Menu
sleep 0.5
shot 2-context-menu
xdotool key Escape

# Ctrl+E: the save dialog (its name field has the focus), then the export.
focus_main
xdotool key ctrl+e
await_window "Export to CSV"
shot 3-export-dialog
xdotool key ctrl+a
xdotool type --delay 20 "$csv"
xdotool key Return
await_gone "Export to CSV"
for _ in $(seq 1 300); do
    [ -s "$csv" ] && break
    sleep 0.1
done
[ -s "$csv" ] || fail "no CSV file was written"
grep -q "^POST /cgi-bin/getbat.csv?columns=0,1,2,3,4,5,6,7,8," "$log" ||
    fail "the export did not ask the service's CSV path with the shown columns"
lines=$(wc -l <"$csv")
[ "$lines" -eq $((seasons + 1)) ] || fail "the file has $lines lines, not $((seasons + 1))"
head -1 "$csv" | grep -q '^PLAYER NAME,YEAR,TEAM CODE,TEAM NAME,LGE,BAT,THR,G,PA,AB,' ||
    fail "unexpected header row: $(head -1 "$csv")"
# Column 17 is HR: field 18, the quoted name holding one comma.
first_hr=$(sed -n 2p "$csv" | awk -F, '{ print $18 }')
[ "$first_hr" = "$most_hr" ] || fail "the first row has $first_hr home runs, not $most_hr"
ls "$work/out" | grep -v '^batters-by-hr.csv$' && fail "a temporary file was left beside the export"

# Ctrl+Z: back to the order before the sort.
at=$(mark)
focus_main
xdotool key ctrl+z
await_body "$at" "0![0-9]+!300!$nl\\*$nl$end" "Undo"
shot 4-undone

exit_client
echo "export end-to-end: $seasons rows exported, undo back to the default order"
