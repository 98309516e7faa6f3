#!/usr/bin/env bash
# On a virtual X display, against bbstatsd on its default addresses
# (127.0.0.1-3:8461): the Batters window must never draw a row of another
# query. It walks the three ways that once happened: (a) Window > Cascade,
# Sort by home runs descending in the small window, maximise it again;
# (b) pages of that order further down, Reset to the default order, the
# service stopped, Page Down and OK on the message, the service started
# again; (c) Limit to a range with no lines, then Ctrl+Z. After each step it
# copies the rows the grid shows (Shift+Down over the page, Ctrl+C, read
# with xclip) and compares each row's name, year and team with the
# service's answer to the window's query (the last body in the request log,
# asked again with curl for the rows on screen).
# usage: rows_xvfb.sh PACKAGED_CLIENT BBSTATSD DB COBRAND_TXT
set -euo pipefail
client=$1 service=$2 db=$3 cobrand=$4

source "$(dirname "$0")/e2elib.sh"
e2e_in_xvfb "$@"

log=$work/requests.log
bat=/cgi-bin/getbat.exe
caption="Baseball Batters Statistics"

focus_main() { xdotool windowfocus --sync "$main" 2>/dev/null || true; }
mark() { wc -l <"$log"; }

# Waits up to 15 s for a Batters request after line $1 of the log whose body
# (as logged: CR LF as \x0d\x0a, the end mark as \x1a) matches the extended
# regular expression $2.
await_body() {
    local after=$1 pattern=$2
    for _ in $(seq 1 150); do
        tail -n +"$((after + 1))" "$log" | sed -n "s#^POST $bat ##p" |
            grep -q -E -- "^$pattern\$" && return 0
        sleep 0.1
    done
    fail "$3: no request with a body matching $pattern"
}

# Waits until the log has stood still for a second: the client's pages for
# the last step have all been asked for.
settle() {
    local before
    for _ in $(seq 1 30); do
        before=$(mark)
        sleep 1
        [ "$(mark)" -eq "$before" ] && return 0
    done
}

# The last Batters query the log holds: its body without the page part.
last_query() { grep "^POST $bat " "$log" | tail -1 | sed "s#^POST $bat [0-9]*![0-9]*!##"; }

# check_rows STEP TOP [blanks]: the grid's current row is its top row, the
# record at result position TOP. Copies the page's rows and compares them
# with the service's answer to the query $query for those positions;
# with "blanks", a row drawn empty is accepted (not fetched yet), a row of
# another query never.
check_rows() {
    local step=$1 top=$2 blanks=${3:-}
    focus_main
    xdotool key --delay 15 $(printf 'shift+Down %.0s' $(seq 2 "$rows")) ctrl+c
    sleep 0.3
    xclip -o -selection clipboard >"$work/copied" 2>/dev/null || fail "$step: nothing was copied"
    # Back to the top row of the page, for the next step.
    xdotool key --delay 15 $(printf 'Up %.0s' $(seq 2 "$rows"))
    # Two rows more than the page: under load the copy can take in a row below it.
    printf '%b' "$top!$((rows + 2))!$query" >"$work/body"
    curl -s --max-time 60 --data-binary @"$work/body" -o "$work/reply" \
        "http://127.0.0.1:8461$bat" || fail "$step: the service did not answer"
    awk -F '\t' -v blanks="$blanks" -v step="$step" -v top="$top" '
        FNR == NR { sub(/\r$/, ""); line[FNR - 1] = $0; next }
        FNR == 1 { next } # the title line
        {
            i = FNR - 2; base = 1 + 31 * i
            if (i > rows + 1) next
            name = substr(line[base], 1, 18); sub(/ +$/, "", name)
            want = name "|" line[base + 1] "|" line[base + 2]
            got = $1 "|" $2 "|" $3
            if (top + i == line[0]) want = "TOTALS"
            if (top + i == line[0]) got = $1
            if (got == want) { ok++; next }
            if (blanks != "" && $1 == "") { blank++; next }
            printf "FAIL: %s: row %d shows \"%s\", the query has \"%s\"\n", step, top + i, got, want
            bad++
        }
        END {
            printf "%s: %d rows of the query, %d blank\n", step, ok, blank
            exit (bad > 0 || (ok == 0 && blanks == "")) ? 1 : 0
        }' rows="$rows" "$work/reply" "$work/copied" >&2 ||
        fail "$step: the window shows rows that are not its query's"
}

e2e_start_service "$service" "$db" --log-bodies
e2e_start_client "$client" "$cobrand"
open_database b "$caption" $bat 300
rows=$(sed -n "s#^POST $bat 0!\([0-9]*\)!300!.*#\1#p" "$log" | head -1)
[ -n "$rows" ] && [ "$rows" -gt 10 ] || fail "the first Batters page asked for '$rows' rows"
nl='\\x0d\\x0a'
end='\\x1a'
query=$(last_query)
check_rows "open" 0

# (a) Cascade makes the window small; Sort by HR descending (17 down from
# NONE in the first field, Descending) in it; then maximised again.
focus_main
xdotool key --delay 150 alt+w c
timeout 10 xdotool search --sync --name "^$title\$" >/dev/null || fail "Cascade left the window maximised"
at=$(mark)
xdotool key --delay 150 alt+b Right Right Return
await_window "Baseball Batters - Sort Options" >/dev/null
xdotool key --delay 40 $(printf 'Down %.0s' $(seq 1 17))
xdotool key Tab Down Return
await_gone "Baseball Batters - Sort Options"
await_body "$at" "0![0-9]+!16!$nl\\*$nl$end" "Sort"
settle
# A double-click on the small window's title bar (the first cascaded window
# lies at the top left of the area under the menu bar) maximises it.
eval "$(xdotool getwindowgeometry --shell "$main")"
xdotool mousemove --sync $((X + 200)) $((Y + $(header_height "$cobrand") + 27)) click --repeat 2 --delay 80 1
timeout 10 xdotool search --sync --name "^$title - \\[$caption\\]\$" >/dev/null ||
    fail "the double-click on its title bar did not maximise the Batters window"
settle
query=$(last_query)
check_rows "cascade, sort, maximise" 0

# (b) Two pages further down in this order and back, then Reset.
focus_main
xdotool key --delay 300 Next Next ctrl+Home
settle
at=$(mark)
xdotool key alt+r
await_body "$at" "0![0-9]+!300!$nl\\*$nl$end" "Reset"
settle
query=$(last_query)
check_rows "reset" 0
e2e_stop_service
focus_main
xdotool key Next
await_window "$caption" >/dev/null
xdotool key Return
await_gone "$caption"
e2e_start_service "$service" "$db" --log-bodies
check_rows "failed Page Down" "$rows" blanks
at=$(mark)
xdotool key Prior
sleep 1
check_rows "Page Up after the failure" 0
xdotool key Next
settle
check_rows "Page Down again" "$rows"

# (c) Limit the years to 3000-3001 (no lines), then Ctrl+Z.
focus_main
xdotool key --delay 300 ctrl+Home
settle
at=$(mark)
xdotool key alt+l
await_window "Baseball Batters - Limit Options" >/dev/null
xdotool key Down Tab ctrl+a
xdotool type --delay 40 3000
xdotool key Tab ctrl+a
xdotool type --delay 40 3001
xdotool key Return
await_gone "Baseball Batters - Limit Options"
await_body "$at" "0![0-9]+!300!${nl}E1!3000!3001!$nl\\*$nl$end" "Limit"
settle
at=$(mark)
focus_main
xdotool key ctrl+z
await_body "$at" "0![0-9]+!300!$nl\\*$nl$end" "Undo"
settle
query=$(last_query)
check_rows "limit to nothing, undo" 0

exit_client
echo "PASS"
