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

if [ -z "${BBSTATS_IN_XVFB:-}" ]; then
    export BBSTATS_IN_XVFB=1
    unset QT_QPA_PLATFORM
    exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$@"
fi

work=$(mktemp -d)
service_pid=""
client_pid=""
cleanup() {
    [ -n "$client_pid" ] && kill -TERM "$client_pid" 2>/dev/null || true
    if [ -n "$service_pid" ]; then
        kill -TERM "$service_pid" 2>/dev/null || true
        wait "$service_pid" 2>/dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT
fail() {
    echo "FAIL: $*" >&2
    [ -f "$work/requests.log" ] && sed 's/^/  request: /' "$work/requests.log" >&2
    exit 1
}

answers() { (exec 3<>"/dev/tcp/$1/8461") 2>/dev/null; }
for host in 127.0.0.1 127.0.0.2 127.0.0.3; do
    answers "$host" && fail "port 8461 on $host is taken; this test needs the default addresses"
done
[ -f "$db" ] || fail "no imported database at $db"

"$service" serve --db "$db" --events "$work/events.db" --log-requests "$work/requests.log" \
    >"$work/service.log" 2>&1 &
service_pid=$!
for _ in $(seq 1 600); do
    answers 127.0.0.2 && break
    kill -0 "$service_pid" 2>/dev/null || fail "bbstatsd ended: $(cat "$work/service.log")"
    sleep 0.5
done
answers 127.0.0.2 || fail "bbstatsd does not answer on 127.0.0.2:8461"

title=$(sed -n 's/^WindowTitle = //p' "$cobrand")
mkdir "$work/run"
cd "$work/run"
"$client" &
client_pid=$!
main=$(timeout 120 xdotool search --sync --onlyvisible --name "^$title\$" | head -1) ||
    fail "the main window did not appear"

requests() { [ -f "$work/requests.log" ] && grep -c "^POST $1 " "$work/requests.log" || true; }

# Opens a database with Alt+B and its letter; waits for the title naming its
# window and for its first page request.
open_database() {
    local letter=$1 caption=$2 path=$3
    local before
    before=$(requests "$path")
    for _ in $(seq 1 10); do
        xdotool windowfocus --sync "$main" 2>/dev/null || true
        xdotool key alt+b 2>/dev/null || true
        sleep 0.3
        xdotool key "$letter" 2>/dev/null || true
        if timeout 10 xdotool search --sync --name "^$title - \\[$caption\\]\$" >/dev/null; then
            break
        fi
        xdotool key Escape 2>/dev/null || true
    done
    xdotool search --name "^$title - \\[$caption\\]\$" >/dev/null ||
        fail "no window titled \"$caption\" after Alt+B $letter"
    for _ in $(seq 1 100); do
        [ "$(requests "$path")" -gt "$before" ] && break
        sleep 0.1
    done
    [ "$(requests "$path")" -gt "$before" ] || fail "$caption sent no request to $path"
    grep -q "^POST $path 0![0-9]*!$4!\$" "$work/requests.log" ||
        fail "$caption's first request is not for the top of the data with sort code $4"
}

open_database b "Baseball Batters Statistics" /cgi-bin/getbat.exe 300

# Page down in the grid: the next page is fetched from further down.
rows=$(sed -n 's#^POST /cgi-bin/getbat.exe 0!\([0-9]*\)!300!$#\1#p' "$work/requests.log" | head -1)
[ -n "$rows" ] && [ "$rows" -gt 10 ] || fail "the first Batters page asked for '$rows' rows"
xdotool windowfocus --sync "$main" 2>/dev/null || true
xdotool key Next
for _ in $(seq 1 100); do
    [ "$(requests /cgi-bin/getbat.exe)" -ge 2 ] && break
    sleep 0.1
done
grep -q "^POST /cgi-bin/getbat.exe [1-9][0-9]*!$rows!300!\$" "$work/requests.log" ||
    fail "Page Down did not fetch a page further down"

open_database p "Baseball Pitchers Statistics" /cgi-bin/getpit.exe 300
open_database f "Baseball Fielders Statistics" /cgi-bin/getfield.exe 300
open_database t "Baseball Teams Statistics" /cgi-bin/getbaseteam.exe 100

# Exit from the menu bar ("E&xit") closes every window and ends the client.
xdotool windowfocus --sync "$main" 2>/dev/null || true
xdotool key alt+x
code=0
for _ in $(seq 1 100); do
    kill -0 "$client_pid" 2>/dev/null || break
    sleep 0.1
done
if kill -0 "$client_pid" 2>/dev/null; then
    fail "Alt+X did not end the client"
fi
wait "$client_pid" || code=$?
client_pid=""
[ "$code" -eq 0 ] || fail "the client ended with exit code $code"
echo "PASS"
