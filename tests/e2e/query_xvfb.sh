#!/usr/bin/env bash
# On a virtual X display, against bbstatsd on its default addresses
# (127.0.0.1-3:8461), runs the query commands on the Batters window from the
# keyboard: Sort by home runs descending, Select one team, Limit the years
# to 1950-1959, hide a column (a double-click: the one step that needs the
# mouse), Color options alternating by year in green and maroon, Reset, then
# a click on the HR title and a Shift+click on AVG, undone by Ctrl+Z. After
# each step it checks in the service's request log (whole bodies) that the
# client sent the request the step calls for, compares the service's count
# for the limited request with the count worked out from the data files,
# checks the band colours on screen, and takes a screenshot into
# $BBSTATS_E2E_SHOTS (default: the test's temporary folder). Exit closes the
# client with exit code 0. Needs the default ports: runs alone.
# usage: query_xvfb.sh PACKAGED_CLIENT BBSTATSD DB COBRAND_TXT LAHMAN_DIR
set -euo pipefail
client=$1 service=$2 db=$3 cobrand=$4 lahman=$5
here=$(cd "$(dirname "$0")" && pwd)

source "$here/e2elib.sh"
e2e_in_xvfb "$@"

shots=${BBSTATS_E2E_SHOTS:-$work/shots}
mkdir -p "$shots"
log=$work/requests.log
bat=/cgi-bin/getbat.exe
team="New York Yankees"

# The screen as it is now, as query-N-STEP.png.
shot() {
    sleep 0.5
    import -window root "$shots/query-$1-$2.png"
}

# Lines in the request log so far; later waits look only after this mark.
mark() { wc -l <"$log"; }

# Waits up to 15 s for a Batters request after line $1 of the log whose body
# (as logged: CR LF as \x0d\x0a, the end mark as \x1a) matches the extended
# regular expression $2; prints that body.
await_body() {
    local after=$1 pattern=$2 found=""
    for _ in $(seq 1 150); do
        found=$(tail -n +"$((after + 1))" "$log" | sed -n "s#^POST $bat ##p" |
            grep -E -- "^$pattern\$" | tail -1 || true)
        [ -n "$found" ] && break
        sleep 0.1
    done
    [ -n "$found" ] || fail "$3: no request with a body matching $pattern"
    printf '%s\n' "$found"
}

# The record count the service answers to a logged body, sent again with curl.
count_for() {
    printf '%b' "$1" >"$work/body"
    curl -s --max-time 60 --data-binary @"$work/body" -o "$work/reply" "http://127.0.0.1:8461$bat" ||
        fail "the service did not answer the body $1"
    head -1 "$work/reply" | tr -d '\r'
}

# Whether screenshot $1 has pixels of colour $4 (#RRGGBB) in the strip of
# the "PLAYER NAME" column at $2,$3 (120x14 pixels: one grid row's text).
has_colour() {
    local colours
    colours=$(convert "$1" -crop "120x14+$2+$3" +repage -unique-colors txt:-)
    grep -q -i -- "$4" <<<"$colours"
}

# Batter seasons of team $3 from year $1 to $2 in the data files.
seasons() {
    awk -v lo="$1" -v hi="$2" -v team="$3" '
        function csv(line, f,    n, i, c, q, v) {
            n = 0; v = ""; q = 0
            for (i = 1; i <= length(line); i++) {
                c = substr(line, i, 1)
                if (c == "\"") q = !q
                else if (c == "," && !q) { f[++n] = v; v = "" }
                else v = v c
            }
            f[++n] = v
            return n
        }
        { sub(/\r$/, "") }
        FNR == 1 { n = csv($0, h); for (i = 1; i <= n; i++) col[FILENAME, h[i]] = i; next }
        FILENAME ~ /Teams\.csv$/ {
            csv($0, f)
            name[f[col[FILENAME, "yearID"]], f[col[FILENAME, "teamID"]]] = f[col[FILENAME, "name"]]
            next
        }
        {
            csv($0, f); y = f[col[FILENAME, "yearID"]] + 0
            if (y >= lo && y <= hi && name[y, f[col[FILENAME, "teamID"]]] == team) c++
        }
        END { print c + 0 }' "$lahman/Teams.csv" "$lahman/Batting.csv"
}

focus_main() { xdotool windowfocus --sync "$main" 2>/dev/null || true; }

nl='\\x0d\\x0a'
end='\\x1a'
expected_team=$(seasons 1950 1959 "$team")
expected_all_years=$(seasons 0 9999 "$team")
all_seasons=$(($(wc -l <"$lahman/Batting.csv") - 1))

e2e_start_service "$service" "$db" --log-bodies
e2e_start_client "$client" "$cobrand"

# 1. Batters, in the default order.
open_database b "Baseball Batters Statistics" $bat 300
await_body 0 "0![0-9]+!300!$nl\\*$nl$end" "Batters" >/dev/null
shot 1 batters

# 2. Sort: 1st field "HR  - Home Runs" (17 down from NONE), Descending, OK.
# "&Select" and "&Sort" share Alt+S, so Sort is reached from the Baseball
# Statistics menu with the arrow keys (Select opens on the way).
at=$(mark)
focus_main
xdotool key --delay 150 alt+b Right Right Return
await_window "Baseball Batters - Sort Options"
xdotool key --delay 40 $(printf 'Down %.0s' $(seq 1 17))
xdotool key Tab Down Return
await_gone "Baseball Batters - Sort Options"
await_body "$at" "0![0-9]+!16!$nl\\*$nl$end" "Sort" >/dev/null
shot 2 sort

# 3. Select > Team: the pick list jumps to the first "New" entry; the team is
# found from there with Down, ticked with Space, and OK'd with Enter.
at=$(mark)
focus_main
xdotool key --delay 150 alt+b Right Down Return
await_window "Baseball Batters - Select Team"
list=$(tail -n +"$((at + 1))" "$log" | sed -n "s#^POST $bat ##p" | grep -E -- "^0!0!" | tail -1)
[ -n "$list" ] || fail "Select Team sent no list request"
printf '%b' "$list" >"$work/body"
curl -s --max-time 60 --data-binary @"$work/body" "http://127.0.0.1:8461$bat" |
    tr -d '\r' | tail -n +2 >"$work/teams"
first=$(grep -n -m1 '^New' "$work/teams" | cut -d: -f1)
wanted=$(grep -n -m1 -x "$team" "$work/teams" | cut -d: -f1)
[ -n "$first" ] && [ -n "$wanted" ] || fail "the team list lacks $team"
xdotool type --delay 60 "New"
[ "$wanted" -gt "$first" ] && xdotool key --delay 40 $(printf 'Down %.0s' $(seq "$first" $((wanted - 1))))
xdotool key space
shot 3 select-dialog
xdotool key Return
await_gone "Baseball Batters - Select Team"
body=$(await_body "$at" "0![0-9]+!16!${nl}B$team$nl\\*$nl$end" "Select Team")
count=$(count_for "$body")
[ "$count" = "$expected_all_years" ] ||
    fail "the service counts '$count' records for $team, the data files $expected_all_years"
shot 3 select

# 4. Limit: field "Year" (second in the list), minimum 1950, maximum 1959.
at=$(mark)
focus_main
xdotool key alt+l
await_window "Baseball Batters - Limit Options"
xdotool key Down Tab ctrl+a
xdotool type --delay 40 1950
xdotool key Tab ctrl+a
xdotool type --delay 40 1959
xdotool key Return
await_gone "Baseball Batters - Limit Options"
body=$(await_body "$at" "0![0-9]+!16!${nl}B$team$nl\\*${nl}E1!1950!1959!$nl\\*$nl$end" "Limit")
count=$(count_for "$body")
[ "$count" = "$expected_team" ] ||
    fail "the service counts '$count' records for $team 1950-1959, the data files $expected_team"
shot 4 limit

# 5. Hide a column with a double-click on a cell of "Team Name" (the fourth
# column; with the grid's font on this display it spans x 234-433 of the
# maximised window, data rows from y 49 every 15 pixels below the header
# band; a row well below the header leaves room for a taller menu bar with
# another font). The grid has no
# keyboard command for hiding a column, so this step uses the mouse. The
# header row must change, and Options > Unhide Columns lists the column.
eval "$(xdotool getwindowgeometry --shell "$main")"
Y=$((Y + $(header_height "$cobrand")))
header() { import -window root -crop "1180x30+$X+$((Y + 20))" +repage rgb:- | md5sum; }
before=$(header)
xdotool mousemove --sync $((X + 334)) $((Y + 300)) click --repeat 2 --delay 80 1
sleep 0.5
[ "$(header)" != "$before" ] || fail "the double-click hid no column"
shot 5 hide
focus_main
xdotool key --delay 150 alt+o u
await_window "Unhide column"
shot 5 hidden-list
xdotool key Escape
await_gone "Unhide column"

# 6. Color options (first in the Options menu; "&Color options" and "&Change
# proxy settings" share the letter C): alternate by Year (Alt+Y); Tab enters
# each colour set at Gray, the arrows move the focus and Space ticks: set 1
# Green, set 2 Maroon.
focus_main
xdotool key alt+o
sleep 0.3
xdotool key Return
await_window "Color options for Player Database"
xdotool key --delay 80 alt+y Tab Down Down space Tab Down space Return
await_gone "Color options for Player Database"
shot 6 colours
# The 1950s Yankees by home runs start 1956, 1958, 1955, 1957: a new year on
# every row, so the rows alternate green (#008000) and maroon (#800000).
rows_alternate() {
    local row y want other
    for row in 0 1 2 3; do
        if [ $((row % 2)) -eq 0 ]; then want='#008000' other='#800000'; else want='#800000' other='#008000'; fi
        y=$((Y + 49 + 15 * row))
        has_colour "$1" "$X" "$y" "$want" && ! has_colour "$1" "$X" "$y" "$other" || return 1
    done
}
png=$shots/query-6-colours.png
for _ in $(seq 1 10); do
    rows_alternate "$png" && break
    sleep 0.5
    shot 6 colours
done
rows_alternate "$png" || fail "the first grid rows do not alternate green and maroon"

# 7. Reset: the default order, no selections, the whole list again.
at=$(mark)
focus_main
xdotool key alt+r
body=$(await_body "$at" "0![0-9]+!300!$nl\\*$nl$end" "Reset")
count=$(count_for "$body")
[ "$count" = "$all_seasons" ] ||
    fail "after Reset the service counts '$count' records, Batting.csv holds $all_seasons"
shot 7 reset

# 8. Sort by a click on a title (Team Name stays hidden, so HR spans x
# 783-827 and AVG 891-936; the second title row lies at y 34-47): a click on
# HR sorts by home runs descending, a Shift+click on AVG adds it as the second
# key, the titles showing an arrow and the key's number; Ctrl+Z takes the
# second key back.
at=$(mark)
xdotool mousemove --sync $((X + 805)) $((Y + 41)) click 1
await_body "$at" "0![0-9]+!16!$nl\\*$nl$end" "Click on the HR title" >/dev/null
at=$(mark)
xdotool mousemove --sync $((X + 913)) $((Y + 41)) keydown shift click 1 keyup shift
await_body "$at" "0![0-9]+!B!16!18!$nl\\*$nl$end" "Shift+click on the AVG title" >/dev/null
shot 8 title-sort
at=$(mark)
focus_main
xdotool key ctrl+z
await_body "$at" "0![0-9]+!16!$nl\\*$nl$end" "Undo of the Shift+click" >/dev/null

exit_client
echo "PASS"
