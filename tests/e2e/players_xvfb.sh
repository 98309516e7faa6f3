#!/usr/bin/env bash
# On a virtual X display, against bbstatsd on its default addresses
# (127.0.0.1-3:8461), from the keyboard: Ctrl+F opens the "Find player" box,
# "babe ruth" is typed and Enter opens his page; its batting rows, copied with
# Ctrl+A Ctrl+C, end in his career line (714 HR, .342) and hold his 1927 line,
# both compared with the service's replies to the page's own requests (taken
# from the request log). Rickey Henderson's page shows 1989 as a TOT line with
# the NYA and OAK stints under it. With Batters active again, "Select in the
# active window" leaves the Batters window with Ruth's 22 rows. Screenshots
# go to $BBSTATS_E2E_SHOTS (default: the test's temporary folder). Needs the
# default ports: runs alone.
# usage: players_xvfb.sh PACKAGED_CLIENT BBSTATSD DB COBRAND_TXT
set -euo pipefail
client=$1 service=$2 db=$3 cobrand=$4
here=$(cd "$(dirname "$0")" && pwd)

source "$here/e2elib.sh"
e2e_in_xvfb "$@"

shots=${BBSTATS_E2E_SHOTS:-$work/shots}
mkdir -p "$shots"
log=$work/requests.log
bat=/cgi-bin/getbat.exe

shot() {
    sleep 0.5
    import -window root "$shots/players-$1.png"
}
mark() { wc -l <"$log"; }
focus_main() { xdotool windowfocus --sync "$main" 2>/dev/null || true; }

# Waits up to 15 s for a logged request after line $1 that starts with $2
# (method, path and query); prints the first such line.
await_line() {
    local after=$1 start=$2 found=""
    for _ in $(seq 1 150); do
        found=$(tail -n +"$((after + 1))" "$log" | grep -F -- "$start" | head -1 || true)
        [ -n "$found" ] && break
        sleep 0.1
    done
    [ -n "$found" ] || fail "$3: no request starting \"$start\""
    printf '%s\n' "$found"
}

# The service's reply to the logged POST line $1 (path, query and whole body).
replay() {
    local path body
    path=$(printf '%s' "$1" | cut -d' ' -f2)
    body=$(printf '%s' "$1" | cut -d' ' -f3-)
    printf '%b' "$body" >"$work/body"
    curl -s --max-time 60 --data-binary @"$work/body" "http://127.0.0.2:8461$path" | tr -d '\r'
}

# Copies the rows of the focused page table (Ctrl+A Ctrl+C) into file $1.
copy_rows() {
    focus_main
    xdotool key --delay 200 ctrl+a ctrl+c
    sleep 0.5
    xclip -o -selection clipboard >"$1" 2>/dev/null || fail "nothing was copied"
    [ -s "$1" ] || fail "the copied rows are empty"
}

# Field named $2 (a title of the first line) of the rows of file $1 whose
# year is $3 (all rows when empty): one value a line.
column_of() {
    awk -F'\t' -v name="$2" -v year="$3" '
        NR == 1 { for (i = 1; i <= NF; i++) if ($i == name) c = i; next }
        year == "" || $2 == year { print $c }' "$1"
}

# Ctrl+F, then the name typed into the search box; waits for its search.
find_player() {
    local at
    at=$(mark)
    focus_main
    xdotool key ctrl+f
    await_window "Find player" >/dev/null
    xdotool type --delay 60 "$1"
    await_line "$at" "GET /players?q=$2 " "Search for $1" >/dev/null
    sleep 0.5
}

e2e_start_service "$service" "$db" --log-bodies
e2e_start_client "$client" "$cobrand"

open_database b "Baseball Batters Statistics" $bat 300

# 1. Ctrl+F, "babe ruth", Enter: the page's facts and its requests.
find_player "babe ruth" "babe+ruth"
at=$(mark)
xdotool key Return
await_line "$at" "GET /player/ruthba01 " "Ruth's facts" >/dev/null
career=$(await_line "$at" "POST $bat?lines=career " "Ruth's career line")
season=$(await_line "$at" "POST $bat?lines=season " "Ruth's season lines")
case $career in *"ARuth, Babe"*) ;; *) fail "the career request does not select Ruth: $career" ;; esac
sleep 1
shot 1-ruth
copy_rows "$work/ruth.tsv"

# His career line, last, against the service's reply to the same request
# (record lines: 13 HR, 15 AVG; line 1 is the count).
[ "$(column_of "$work/ruth.tsv" HR "" | tail -1)" = 714 ] || fail "the career line lacks 714 HR"
[ "$(column_of "$work/ruth.tsv" AVG "" | tail -1)" = .342 ] || fail "the career line lacks .342"
replay "$career" >"$work/career.reply"
[ "$(sed -n 14p "$work/career.reply")" = 714 ] || fail "the service's career line is not 714 HR"
[ "$(sed -n 16p "$work/career.reply")" = 0.342 ] || fail "the service's career AVG is not .342"
# His 1927 line, against the season lines the page asked for.
replay "$season" >"$work/season.reply"
served=$(awk 'NR > 1 && (NR - 2) % 31 == 1 && $0 == "1927" { r = NR - 1 }
              r && NR == r + 12 { print }' "$work/season.reply")
shown=$(column_of "$work/ruth.tsv" HR 1927)
[ -n "$served" ] && [ "$shown" = "$served" ] || fail "1927: the page shows '$shown' HR, the service '$served'"
[ "$shown" = 60 ] || fail "1927: $shown HR, not 60"

# 2. Rickey Henderson: 1989 as a TOT line with both stints under it.
find_player "rickey henderson" "rickey+henderson"
at=$(mark)
xdotool key Return
await_line "$at" "GET /player/henderi01 " "Henderson's facts" >/dev/null
await_line "$at" "POST $bat?lines=career " "Henderson's career line" >/dev/null
sleep 1
shot 2-henderson
copy_rows "$work/henderson.tsv"
clubs=$(column_of "$work/henderson.tsv" "TEAM CODE" 1989 | paste -sd' ')
[ "$clubs" = "TOT NYA OAK" ] || fail "1989 shows '$clubs', not the TOT line with NYA and OAK under it"

# 3. The Batters window active again (Window menu, its first child): "Select
# in the active window" (Tab from the name: the list, Open page, then it)
# ticks Ruth.
focus_main
xdotool key --delay 400 alt+w 1
shot 3-batters
find_player "babe ruth" "babe+ruth"
shot 4-found
at=$(mark)
xdotool key --delay 200 Tab Tab Tab space
selected=$(await_line "$at" "POST $bat " "Select in the active window")
case $selected in *"ARuth, Babe"*) ;; *) fail "the Batters request does not select Ruth: $selected" ;; esac
shot 5-selected
[ "$(replay "$selected" | head -1)" = 22 ] || fail "the Batters window's query is not Ruth's 22 rows"

exit_client
echo "PASS"
