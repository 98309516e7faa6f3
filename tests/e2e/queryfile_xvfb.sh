#!/usr/bin/env bash
# On a virtual X display, against bbstatsd on its default addresses
# (127.0.0.1-3:8461), from the keyboard: opens Batters, switches it to career
# lines (Options > Lines > Per career), sorts it by home runs descending,
# saves the query with Ctrl+S, closes the window with the client (Alt+X),
# starts the client again and opens the file with Ctrl+O. The reopened window
# must send one page request, the same one (career lines on the path), whose
# answer starts with Barry Bonds and 762, and look the same (first page and
# "career lines, ..." in words) as the window that was saved. Needs the
# default ports: runs alone.
# usage: queryfile_xvfb.sh PACKAGED_CLIENT BBSTATSD DB COBRAND_TXT
set -euo pipefail
client=$1 service=$2 db=$3 cobrand=$4
here=$(cd "$(dirname "$0")" && pwd)

source "$here/e2elib.sh"
e2e_in_xvfb "$@"

shots=${BBSTATS_E2E_SHOTS:-$work/shots}
mkdir -p "$shots" "$work/out"
log=$work/requests.log
bat=/cgi-bin/getbat.exe
query=$work/out/hr.bbq
caption="Baseball Batters Statistics"

mark() { wc -l <"$log"; }
focus_main() { xdotool windowfocus --sync "$main" 2>/dev/null || true; }
# The page requests logged after line $1 (the lines mode on the path).
pages_after() {
    tail -n +"$(($1 + 1))" "$log" | grep -E "^POST $bat(\\?[a-z=&]+)? [0-9]+![0-9]+![0-9]+!" || true
}
# The database window's area of the screen (below the header band).
grab() {
    sleep 1.5
    import -window root "$shots/queryfile-$1.png"
    convert "$shots/queryfile-$1.png" -crop "1280x$((1024 - top))+0+$top" +repage "$work/$1.png"
}
top=$(($(header_height "$cobrand") + 60))

e2e_start_service "$service" "$db" --log-bodies
e2e_start_client "$client" "$cobrand"
open_database b "$caption" $bat 300

# Options > Lines > Per career.
at=$(mark)
sleep 1
focus_main
xdotool key --delay 200 alt+o l c
for _ in $(seq 1 150); do
    pages_after "$at" | grep -q "^POST $bat?lines=career " && break
    sleep 0.1
done
pages_after "$at" | grep -q "^POST $bat?lines=career " || fail "Per career sent no page request"

# Sort: 1st field "HR  - Home Runs", Descending (see query_xvfb.sh).
at=$(mark)
sleep 1
focus_main
xdotool key --delay 150 alt+b Right Right Return
await_window "Baseball Batters - Sort Options" >/dev/null
xdotool key --delay 40 $(printf 'Down %.0s' $(seq 1 17))
xdotool key Tab Down Return
await_gone "Baseball Batters - Sort Options"
for _ in $(seq 1 150); do
    pages_after "$at" | grep -q '!16!' && break
    sleep 0.1
done
sorted=$(pages_after "$at" | grep '!16!' | tail -1)
[ -n "$sorted" ] || fail "the sort sent no page request"
case $sorted in "POST $bat?lines=career "*) ;; *) fail "the sort left career lines: $sorted" ;; esac
grab saved

# Ctrl+S: the save dialog, the file written.
focus_main
xdotool key ctrl+s
await_window "Save query" >/dev/null
xdotool key ctrl+a
xdotool type --delay 20 "$query"
xdotool key Return
await_gone "Save query"
for _ in $(seq 1 50); do
    [ -s "$query" ] && break
    sleep 0.1
done
[ -s "$query" ] || fail "no query file was written"
head -1 "$query" | grep -qx 'bbstats-query 2' || fail "the file lacks its format line"
grep -qx 'lines career' "$query" || fail "the file does not keep career lines"
grep -qx 'qualified 0' "$query" || fail "the file does not state the qualifier"
grep -qx 'database Batters' "$query" || fail "the file does not name Batters"
grep -q '^attribution Baseball statistics from the Lahman' "$query" || fail "no attribution line"

# The window goes with the client (Alt+X); a new client starts without it.
exit_client
rm -rf "$work/run"
e2e_start_client "$client" "$cobrand"
xdotool search --name "^$title - \\[$caption\\]\$" >/dev/null 2>&1 && fail "a Batters window is open at start"

# Ctrl+O: the file opens the window again with the saved query, one page.
at=$(mark)
focus_main
xdotool key ctrl+o
await_window "Open query" >/dev/null
xdotool key ctrl+a
xdotool type --delay 20 "$query"
xdotool key Return
await_gone "Open query"
timeout 20 xdotool search --sync --name "^$title - \\[$caption\\]\$" >/dev/null ||
    fail "the query file did not open the Batters window"
grab opened
pages=$(pages_after "$at")
[ "$(printf '%s\n' "$pages" | grep -c .)" -eq 1 ] ||
    fail "opening the file sent $(printf '%s\n' "$pages" | grep -c .) page requests, not one"
[ "$pages" = "$sorted" ] || fail "the reopened window asked: $pages; the saved one: $sorted"
# Its answer: career lines by home runs, Barry Bonds with 762 first.
printf '%b' "${pages#POST * }" >"$work/body"
curl -s --max-time 60 --data-binary @"$work/body" -o "$work/reply" \
    "http://127.0.0.1:8461$bat?lines=career" || fail "the service did not answer $pages"
first=$(tr -d '\r' <"$work/reply" | sed -n '2p;14p' | paste -sd'|')
[ "$first" = "Bonds, Barry|762" ] || fail "the reopened query starts with '$first', not Bonds with 762"
diff=$(compare -metric AE "$work/saved.png" "$work/opened.png" null: 2>&1 || true)
[ "$diff" = 0 ] || fail "the reopened window differs from the saved one in $diff pixels"

exit_client
echo "query file end-to-end: reopened with one page request, the same page and words"
