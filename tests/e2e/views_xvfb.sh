#!/usr/bin/env bash
# On a virtual X display, against bbstatsd on its default addresses
# (127.0.0.1-3:8461): opens each database from the keyboard (Alt+B and the
# entry's letter), checks the window title that names the maximised
# database window, pages down in the Batters grid, and checks in the
# service's request log that each window asked its own service for its first
# page and that the page-down asked for a page further down. Exit closes the
# client with exit code 0. Needs the default ports: runs alone.
# usage: views_xvfb.sh PACKAGED_CLIENT BBSTATSD DB COBRAND_TXT
set -euo pipefail
client=$1 service=$2 db=$3 cobrand=$4

source "$(dirname "$0")/e2elib.sh"
e2e_in_xvfb "$@"

e2e_start_service "$service" "$db"
e2e_start_client "$client" "$cobrand"

open_database b "Baseball Batters Statistics" /cgi-bin/getbat.exe 300

# Page down in the grid: the next page is fetched from further down.
rows=$(sed -n 's#^POST /cgi-bin/getbat.exe 0!\([0-9]*\)!300!$#\1#p' "$work/requests.log" | head -1)
[ -n "$rows" ] && [ "$rows" -gt 10 ] || fail "the first Batters page asked for '$rows' rows"
xdotool windowfocus --sync "$main" 2>/dev/null || true
xdotool key Next
wait_requests /cgi-bin/getbat.exe 1 || true
grep -q "^POST /cgi-bin/getbat.exe [1-9][0-9]*!$rows!300!\$" "$work/requests.log" ||
    fail "Page Down did not fetch a page further down"

open_database p "Baseball Pitchers Statistics" /cgi-bin/getpit.exe 300
open_database f "Baseball Fielders Statistics" /cgi-bin/getfield.exe 300
open_database t "Baseball Teams Statistics" /cgi-bin/getbaseteam.exe 100

exit_client
echo "PASS"
