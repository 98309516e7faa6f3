#!/usr/bin/env bash
# On a virtual X display, against bbstatsd on its default addresses
# (127.0.0.1-3:8461): opens Pitchers, turns on Options > More columns and
# Options > Lines > Qualified only from the keyboard, limits IP from 162, then
# sorts by a click on the ERA+ title: Pedro Martinez 2000 must be among the
# first three rows, and
# the rank header left of the grid shows the ranks. A Shift+click on the FIP
# title adds it as the second key, Ctrl+Z takes it back; the query saved with
# Ctrl+S and reopened with Ctrl+O in a new client asks the same (the option
# on the path) and starts with the same row. Every step is checked in the
# service's request log. Screenshots go to $BBSTATS_E2E_SHOTS (default: the
# test's temporary folder). Needs the default ports: runs alone.
# usage: more_xvfb.sh PACKAGED_CLIENT BBSTATSD DB COBRAND_TXT
set -euo pipefail
client=$1 service=$2 db=$3 cobrand=$4
here=$(cd "$(dirname "$0")" && pwd)

source "$here/e2elib.sh"
e2e_in_xvfb "$@"

shots=${BBSTATS_E2E_SHOTS:-$work/shots}
mkdir -p "$shots" "$work/out"
log=$work/requests.log
pit=/cgi-bin/getpit.exe
caption="Baseball Pitchers Statistics"
query=$work/out/eraplus.bbq
nl='\\x0d\\x0a'
end='\\x1a'
# Lines of a Pitchers record with "More columns": 31 of its own and 8 added.
lines=39

shot() {
    sleep 0.7
    import -window root "$shots/more-$1.png"
}
mark() { wc -l <"$log"; }
focus_main() { xdotool windowfocus --sync "$main" 2>/dev/null || true; }

# Waits up to 15 s for a request to path $2 (query included) after line $1
# of the log whose body matches the extended regular expression $3; prints
# the body.
await_request() {
    local after=$1 path=$2 pattern=$3 found=""
    for _ in $(seq 1 150); do
        found=$(tail -n +"$((after + 1))" "$log" | grep -F "POST $path " |
            sed -n "s#^POST [^ ]* ##p" | grep -E -- "^$pattern\$" | tail -1 || true)
        [ -n "$found" ] && break
        sleep 0.1
    done
    [ -n "$found" ] || fail "$4: no request to $path with a body matching $pattern"
    printf '%s\n' "$found"
}

# The page request logged last after line $1 (any path): "PATH BODY".
last_page() {
    tail -n +"$(($1 + 1))" "$log" | grep -E "^POST $pit(\\?[a-z=&1]+)? [0-9]+![0-9]+!" |
        tail -1 | sed 's#^POST ##' || true
}

# The first three rows ("Name Year") the service answers for body $1 on $2.
first_rows() {
    printf '%b' "$1" >"$work/body"
    curl -s --max-time 60 --data-binary @"$work/body" -o "$work/reply" \
        "http://127.0.0.1:8461$2" || fail "the service did not answer $1"
    tr -d '\r' <"$work/reply" | awk -v n="$lines" \
        'NR > 1 && (NR - 2) % n == 0 && NR < 2 + 3 * n { name = $0 }
         NR > 1 && (NR - 3) % n == 0 && NR < 3 + 3 * n { print name " " $0 }'
}

# Waits until the service answers body $1 on path $2 (the first request of
# an option builds its tables, which takes a while), then a moment for the
# client to show the answer it got at the same time.
settle() {
    printf '%b' "$1" >"$work/settle"
    curl -s --max-time 300 --data-binary @"$work/settle" -o /dev/null "http://127.0.0.1:8461$2" ||
        fail "the service did not answer $1 on $2"
    sleep 1.5
}

e2e_start_service "$service" "$db" --log-bodies
e2e_start_client "$client" "$cobrand"
open_database p "$caption" $pit 300
shot 1-pitchers

# 1. Options > More columns: the same request with "more=1" on the path.
at=$(mark)
sleep 1
focus_main
xdotool key --delay 200 alt+o m
body=$(await_request "$at" "$pit?more=1" "0![0-9]+!300!$nl\\*$nl$end" "More columns")
settle "$body" "$pit?more=1"

# 2. Options > Lines > Qualified only: both on the path.
at=$(mark)
sleep 1
focus_main
xdotool key --delay 200 alt+o l q
body=$(await_request "$at" "$pit?qualified=1&more=1" "0![0-9]+!300!$nl\\*$nl$end" \
    "Qualified only")
settle "$body" "$pit?qualified=1&more=1"
shot 2-more-qualified

# 3. Limit IP from 162: the data qualifies short Negro-league and independent
# seasons too (William Selden's 30 innings of 1891 lead ERA+), so the
# comparison with Pedro Martinez is over full seasons. "IP  - Innings
# Pitched" is the fifteenth field of the list.
at=$(mark)
focus_main
xdotool key alt+l
await_window "Baseball Pitchers - Limit Options" >/dev/null
xdotool key --delay 40 $(printf 'Down %.0s' $(seq 1 14))
xdotool key Tab ctrl+a
xdotool type --delay 40 162
xdotool key Return
await_gone "Baseball Pitchers - Limit Options"
limit="${nl}E14!162![0-9.]*!$nl\\*"
body=$(await_request "$at" "$pit?qualified=1&more=1" "0![0-9]+!300!$limit$nl$end" "Limit IP")
settle "$body" "$pit?qualified=1&more=1"

# 4. End moves to the last column (AGE), scrolling the added columns into
# view. The ERA+ title is found by its request: a click on a title sorts by
# its field, so the field a click asked for tells how far ERA+ (36) is; the
# added columns before it are 47 pixels apart with their grid line.
eval "$(xdotool getwindowgeometry --shell "$main")"
Y=$((Y + $(header_height "$cobrand")))
focus_main
xdotool key End
sleep 1
# The grid ends 30 pixels inside the window, its scroll bar before that; AGE
# (34 pixels with its line) and FIP (47) lie right of ERA+.
x=$((X + WIDTH - 30 - 17 - 34 - 47 - 24))
field=""
for _ in 1 2 3 4; do
    at=$(mark)
    xdotool mousemove --sync "$x" $((Y + 41)) click 1
    for _ in $(seq 1 100); do
        page=$(last_page "$at")
        [ -n "$page" ] && break
        sleep 0.1
    done
    field=$(printf '%s' "$page" | sed -n 's#^[^ ]* [0-9]*![0-9]*!\(-\?[0-9]*\)!.*#\1#p')
    [ -n "$page" ] && settle "${page#* }" "${page%% *}"
    [ "$field" = 36 ] && break
    [ -n "$field" ] || fail "a click on the titles at x $((x - X)) sent no sort: '$page'"
    x=$((x + (36 - field % 100) * 47))
done
[ "$field" = 36 ] || fail "no click on the titles sorted by ERA+ (last asked for field $field)"
body=$(await_request "$at" "$pit?qualified=1&more=1" "0![0-9]+!36!$limit$nl$end" "ERA+ title")
era_x=$x
rows=$(first_rows "$body" "$pit?qualified=1&more=1")
printf '%s\n' "$rows" | grep -qx "Martinez, Pedro 2000" ||
    fail "Pedro Martinez 2000 is not among the first three by ERA+: $(printf '%s' "$rows" | paste -sd';')"
first=$(printf '%s\n' "$rows" | head -1)
shot 3-by-eraplus
# The rank header shows the ranks: ink left of the grid on the first rows.
import -window root -crop "30x45+$((X + 2))+$((Y + 49))" +repage "$work/ranks.png"
dark=$(convert "$work/ranks.png" -colorspace Gray -threshold 50% -format '%[fx:(1-mean)*w*h]' info:)
[ "${dark%.*}" -gt 10 ] || fail "the rank header shows nothing left of the first rows"

# 5. Shift+click on FIP (right of ERA+): the second key; Ctrl+Z takes it back.
sleep 1
at=$(mark)
xdotool mousemove --sync $((era_x + 47)) $((Y + 41)) keydown shift click 1 keyup shift
body=$(await_request "$at" "$pit?qualified=1&more=1" "0![0-9]+!B!36!37!$limit$nl$end" \
    "Shift+click on the FIP title")
settle "$body" "$pit?qualified=1&more=1"
shot 4-eraplus-fip
at=$(mark)
sleep 1
focus_main
xdotool key ctrl+z
await_request "$at" "$pit?qualified=1&more=1" "0![0-9]+!36!$limit$nl$end" "Undo" >/dev/null

# 6. Ctrl+S saves the query with the option; a new client opens it with the
# option on: one page request, the same, answered with the same first row.
sleep 1
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
grep -qx 'more 1' "$query" || fail "the file does not keep More columns"
grep -qx 'qualified 1' "$query" || fail "the file does not keep Qualified only"
grep -qx 'sort 36' "$query" || fail "the file does not keep the sort by ERA+"
saved=$(last_page 0)

exit_client
rm -rf "$work/run"
e2e_start_client "$client" "$cobrand"
at=$(mark)
focus_main
xdotool key ctrl+o
await_window "Open query" >/dev/null
xdotool key ctrl+a
xdotool type --delay 20 "$query"
xdotool key Return
await_gone "Open query"
timeout 20 xdotool search --sync --name "^$title - \\[$caption\\]\$" >/dev/null ||
    fail "the query file did not open the Pitchers window"
for _ in $(seq 1 100); do
    [ -n "$(last_page "$at")" ] && break
    sleep 0.1
done
opened=$(last_page "$at")
[ "${opened%% *}" = "$pit?qualified=1&more=1" ] ||
    fail "the reopened window asked $opened, not with More columns and the qualifier"
[ "${opened#* }" = "${saved#* }" ] || fail "the reopened window asked: $opened; the saved one: $saved"
reopened=$(first_rows "${opened#* }" "$pit?qualified=1&more=1" | head -1)
[ "$reopened" = "$first" ] || fail "the reopened query starts with '$reopened', not '$first'"
shot 5-reopened

exit_client
echo "PASS"
