#!/usr/bin/env bash
# On a virtual X display, against bbstatsd on its default addresses
# (127.0.0.1-3:8461), switches the Batters window to career lines from the
# keyboard (Options > Lines > Per career), sorts by home runs descending, and
# checks that the service's first line for that request is Barry Bonds with
# 762; then Ctrl+Z twice steps back to per-team lines in the default order.
# Every step is checked in the service's request log (path with its query,
# whole bodies). Screenshots go to $BBSTATS_E2E_SHOTS (default: the test's
# temporary folder). Needs the default ports: runs alone.
# usage: lines_xvfb.sh PACKAGED_CLIENT BBSTATSD DB COBRAND_TXT
set -euo pipefail
client=$1 service=$2 db=$3 cobrand=$4
here=$(cd "$(dirname "$0")" && pwd)

source "$here/e2elib.sh"
e2e_in_xvfb "$@"

shots=${BBSTATS_E2E_SHOTS:-$work/shots}
mkdir -p "$shots"
log=$work/requests.log
bat=/cgi-bin/getbat.exe
nl='\\x0d\\x0a'
end='\\x1a'

shot() {
    sleep 0.5
    import -window root "$shots/lines-$1.png"
}

mark() { wc -l <"$log"; }

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

focus_main() { xdotool windowfocus --sync "$main" 2>/dev/null || true; }

e2e_start_service "$service" "$db" --log-bodies
e2e_start_client "$client" "$cobrand"

# 1. Batters, per-team lines in the default order.
open_database b "Baseball Batters Statistics" $bat 300
shot 1-batters

# 2. Options > Lines > Per career: the same body, the mode on the path.
at=$(mark)
focus_main
xdotool key --delay 200 alt+o l c
await_request "$at" "$bat?lines=career" "0![0-9]+!300!$nl\\*$nl$end" "Per career" >/dev/null
shot 2-career

# 3. Sort: 1st field "HR  - Home Runs" (17 down from NONE), Descending, OK,
# reached from the Baseball Statistics menu as "&Select" shares Alt+S.
at=$(mark)
focus_main
xdotool key --delay 150 alt+b Right Right Return
await_window "Baseball Batters - Sort Options"
xdotool key --delay 40 $(printf 'Down %.0s' $(seq 1 17))
xdotool key Tab Down Return
await_gone "Baseball Batters - Sort Options"
body=$(await_request "$at" "$bat?lines=career" "0![0-9]+!16!$nl\\*$nl$end" "Sort by HR")
printf '%b' "$body" >"$work/body"
curl -s --max-time 60 --data-binary @"$work/body" -o "$work/reply" \
    "http://127.0.0.1:8461$bat?lines=career" || fail "the service did not answer $body"
first=$(tr -d '\r' <"$work/reply" | sed -n '2p;14p' | paste -sd'|')
[ "$first" = "Bonds, Barry|762" ] || fail "career lines by HR start with '$first', not Bonds with 762"
shot 3-career-by-hr

# 4. Ctrl+Z twice: the sort, then the mode, undone; per-team lines again.
at=$(mark)
focus_main
xdotool key --delay 400 ctrl+z ctrl+z
await_request "$at" "$bat" "0![0-9]+!300!$nl\\*$nl$end" "Undo to per-team lines" >/dev/null
shot 4-undo

exit_client
echo "PASS"
