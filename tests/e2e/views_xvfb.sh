#!/usr/bin/env bash
# On a virtual X display, against bbstatsd on its default addresses
# (127.0.0.1-3:8461): opens each database from the keyboard (Alt+B and the
# entry's letter), checks the window title that names the maximised
# database window, and checks in the service's request log that each window
# asked its own service for its first page. In the Batters grid it presses
# Page Down five times, then Down until the grid scrolls, Ctrl+End and
# Ctrl+Home, and checks that each step asked for exactly the page it shows:
# the grid keeps the keyboard after every page. Exit closes the client with
# exit code 0. Needs the default ports: runs alone.
# usage: views_xvfb.sh PACKAGED_CLIENT BBSTATSD DB COBRAND_TXT
set -euo pipefail
client=$1 service=$2 db=$3 cobrand=$4

source "$(dirname "$0")/e2elib.sh"
e2e_in_xvfb "$@"

e2e_start_service "$service" "$db"
e2e_start_client "$client" "$cobrand"

open_database b "Baseball Batters Statistics" /cgi-bin/getbat.exe 300

# The keys work the grid: each step must send one page request, for the rows
# from the first record it shows, and no other.
bat=/cgi-bin/getbat.exe
rows=$(sed -n "s#^POST $bat 0!\([0-9]*\)!300!\$#\1#p" "$work/requests.log" | head -1)
[ -n "$rows" ] && [ "$rows" -gt 10 ] || fail "the first Batters page asked for '$rows' rows"
total=$(printf '0!1!300!\r\n*\r\n\x1a' |
    curl -s --max-time 60 --data-binary @- "http://127.0.0.1:8461$bat" | head -1 | tr -d '\r')
[ "${total:-0}" -gt 100000 ] || fail "the service counts '$total' batter seasons"
# usage: step NAME RECORD KEY...
step() {
    local name=$1 top=$2 before last
    shift 2
    before=$(requests $bat)
    xdotool key --delay 40 "$@"
    wait_requests $bat "$before" || fail "$name sent no page request: the grid lost the keyboard"
    sleep 0.5
    [ "$(requests $bat)" -eq $((before + 1)) ] || fail "$name sent more than one page request"
    last=$(grep "^POST $bat " "$work/requests.log" | tail -1)
    [ "$last" = "POST $bat $top!$rows!300!" ] ||
        fail "$name asked for '$last', not the $rows records from record $top"
}
xdotool windowfocus --sync "$main" 2>/dev/null || true
for n in 1 2 3 4 5; do
    step "Page Down $n" $((n * rows)) Next
done
# Down moves the current row to the bottom of the page, then scrolls one row.
step "Down" $((5 * rows + 1)) $(printf 'Down %.0s' $(seq 1 "$rows"))
step "Ctrl+End" $((total + 1 - rows)) ctrl+End
step "Ctrl+Home" 0 ctrl+Home

open_database p "Baseball Pitchers Statistics" /cgi-bin/getpit.exe 300
open_database f "Baseball Fielders Statistics" /cgi-bin/getfield.exe 300
open_database t "Baseball Teams Statistics" /cgi-bin/getbaseteam.exe 100

exit_client
echo "PASS"
