#!/usr/bin/env bash
# On a virtual X display, against bbstatsd on its default addresses
# (127.0.0.1-3:8461), from the keyboard: limits the Batters window to the
# years 1950-1959 and then to 20-99 home runs, opens Options > "Query
# &steps...", checks the one-row count requests of each prefix, removes the
# first step (Down, Delete) and undoes that in the panel (Ctrl+Z). After the
# removal and after the undo it copies the rows the grid shows (Shift+Down
# over the page, Ctrl+C, read with xclip) and compares each row's name, year
# and team with the service's answer to that query asked with curl.
# Screenshots go to $BBSTATS_E2E_SHOTS (default: the test's temporary
# folder). Needs the default ports: runs alone.
# usage: steps_xvfb.sh PACKAGED_CLIENT BBSTATSD DB COBRAND_TXT
set -euo pipefail
client=$1 service=$2 db=$3 cobrand=$4
here=$(cd "$(dirname "$0")" && pwd)

source "$here/e2elib.sh"
e2e_in_xvfb "$@"

shots=${BBSTATS_E2E_SHOTS:-$work/shots}
mkdir -p "$shots"
log=$work/requests.log
bat=/cgi-bin/getbat.exe
caption="Baseball Batters Statistics"
nl='\\x0d\\x0a'
end='\\x1a'
years="E1!1950!1959!"
homers="E16!20!99!"

shot() {
    sleep 0.5
    import -window root "$shots/steps-$1.png"
}
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

# Waits until the log has stood still for a second.
settle() {
    local before
    for _ in $(seq 1 30); do
        before=$(mark)
        sleep 1
        [ "$(mark)" -eq "$before" ] && return 0
    done
}

# Limit from the keyboard: the field $1 lines down the list, bounds $2 to $3.
limit() {
    local at
    at=$(mark)
    # Alt+L again when the dialog does not come (the key can reach the menu
    # bar while the focus returns from the last dialog).
    for _ in 1 2 3; do
        focus_main
        xdotool key alt+l
        timeout 5 xdotool search --sync --onlyvisible --name "^Baseball Batters - Limit Options\$" \
            >/dev/null && break
        xdotool key Escape
    done
    await_window "Baseball Batters - Limit Options" >/dev/null
    [ "$1" -gt 0 ] && xdotool key --delay 30 $(printf 'Down %.0s' $(seq 1 "$1"))
    xdotool key Tab ctrl+a
    xdotool type --delay 40 "$2"
    xdotool key Tab ctrl+a
    xdotool type --delay 40 "$3"
    xdotool key Return
    await_gone "Baseball Batters - Limit Options"
    await_body "$at" "0![0-9]+!300!$nl$4" "Limit $2 to $3"
    settle
}

# check_rows STEP QUERY: copies the page's rows from the grid (its current
# row is the top row, result position 0) and compares them with the
# service's answer to QUERY (sort code and selection lines, as logged).
check_rows() {
    local step=$1 query=$2
    focus_main
    xdotool key --delay 15 ctrl+Home $(printf 'shift+Down %.0s' $(seq 2 "$rows")) ctrl+c
    sleep 0.3
    xclip -o -selection clipboard >"$work/copied" 2>/dev/null || fail "$step: nothing was copied"
    xdotool key --delay 15 ctrl+Home
    printf '%b' "0!$((rows + 2))!$query" >"$work/body"
    curl -s --max-time 60 --data-binary @"$work/body" -o "$work/reply" \
        "http://127.0.0.1:8461$bat" || fail "$step: the service did not answer"
    awk -F '\t' -v step="$step" '
        FNR == NR { sub(/\r$/, ""); line[FNR - 1] = $0; next }
        FNR == 1 { next } # the title line
        {
            i = FNR - 2; base = 1 + 31 * i
            if (i > rows + 1) next
            name = substr(line[base], 1, 18); sub(/ +$/, "", name)
            want = name "|" line[base + 1] "|" line[base + 2]
            got = $1 "|" $2 "|" $3
            if (i == line[0]) want = "TOTALS"
            if (i == line[0]) got = $1
            if (got == want) { ok++; next }
            printf "FAIL: %s: row %d shows \"%s\", the query has \"%s\"\n", step, i, got, want
            bad++
        }
        END {
            printf "%s: %d rows of the query\n", step, ok
            exit (bad > 0 || ok == 0) ? 1 : 0
        }' rows="$rows" "$work/reply" "$work/copied" >&2 ||
        fail "$step: the window does not show the service's rows for its query"
}

e2e_start_service "$service" "$db" --log-bodies
e2e_start_client "$client" "$cobrand"
open_database b "$caption" $bat 300
rows=$(sed -n "s#^POST $bat 0!\([0-9]*\)!300!.*#\1#p" "$log" | head -1)
[ -n "$rows" ] && [ "$rows" -gt 10 ] || fail "the first Batters page asked for '$rows' rows"

# 1. Two steps: Year (1 down) 1950-1959, HR (16 down) 20-99.
limit 1 1950 1959 "$years$nl\\*$nl$end"
limit 16 20 99 "$years$nl\\*$nl$homers$nl\\*$nl$end"
shot 1-two-limits

# 2. Options > "Query &steps...": a one-row page of each prefix.
at=$(mark)
focus_main
xdotool key --delay 200 alt+o s
panel=$(await_window "Query Steps - $caption")
await_body "$at" "0!1!300!$nl$years$nl\\*$nl$homers$nl\\*$nl$end" "Count after the second step"
settle
shot 2-panel

# 3. Down to the first step, Delete: the window asks for the HR limit alone.
at=$(mark)
xdotool windowfocus --sync "$panel" 2>/dev/null || true
xdotool key --delay 300 Down Delete
await_body "$at" "0![0-9]+!300!$nl$homers$nl\\*$nl$end" "Delete the first step"
await_body "$at" "0!1!300!$nl$homers$nl\\*$nl$end" "Count after the removal"
settle
shot 3-removed
check_rows "first step removed" "300!\\x0d\\x0a$homers\\x0d\\x0a*\\x0d\\x0a\\x1a"

# 4. Ctrl+Z in the panel: both limits again, counted already (no request of
# that prefix follows).
at=$(mark)
xdotool windowfocus --sync "$panel" 2>/dev/null || true
xdotool key ctrl+z
await_body "$at" "0![0-9]+!300!$nl$years$nl\\*$nl$homers$nl\\*$nl$end" "Undo"
settle
if tail -n +"$((at + 1))" "$log" | grep -q "^POST $bat 0!1!"; then
    fail "the counts of the steps were asked for again after Undo"
fi
shot 4-undone
check_rows "undone" "300!\\x0d\\x0a$years\\x0d\\x0a*\\x0d\\x0a$homers\\x0d\\x0a*\\x0d\\x0a\\x1a"

exit_client
echo "PASS"
