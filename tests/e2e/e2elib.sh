# Shared steps of the end-to-end scripts that drive the packaged client on a
# virtual X display against bbstatsd on its default addresses
# (127.0.0.1-3:8461). Source it after `set -euo pipefail`; it sets `work`
# (a temporary folder removed on exit), `service_pid`, `client_pid`, `main`
# (the main window's id) and `title` (its caption).

# Re-runs the calling script in a network namespace of its own (when it may
# make one: as root, with unshare and ip), so that the default addresses are
# its own and end-to-end runs need not wait on each other, and there inside
# xvfb-run unless it already is.
e2e_in_xvfb() {
    # No session bus on the test display: without an address libdbus tries to
    # autolaunch one (dbus-launch is not installed), and that failed attempt
    # leaves a buffer LeakSanitizer reports when the client exits.
    export DBUS_SESSION_BUS_ADDRESS=${DBUS_SESSION_BUS_ADDRESS:-disabled:}
    if [ -z "${BBSTATS_IN_NETNS:-}" ]; then
        export BBSTATS_IN_NETNS=0
        if unshare -n true 2>/dev/null && command -v ip >/dev/null; then
            rmdir "$work"
            BBSTATS_IN_NETNS=1 exec unshare -n bash -c 'ip link set lo up && exec "$0" "$@"' \
                "$0" "$@"
        fi
    fi
    if [ -z "${BBSTATS_IN_XVFB:-}" ]; then
        export BBSTATS_IN_XVFB=1
        unset QT_QPA_PLATFORM
        rmdir "$work"
        # Runs started together look for a free display from different numbers.
        exec xvfb-run -a -n $((100 + $$ % 800)) -s "-screen 0 1280x1024x24" "$0" "$@"
    fi
}

work=$(mktemp -d)
service_pid=""
client_pid=""
main=""
title=""

# Outside a network namespace of its own the default addresses are one
# resource for the whole machine: waits for any other end-to-end run to finish
# with them. A second call in the same run keeps the lock it holds.
e2e_hold_default_addresses() {
    if [ "${BBSTATS_IN_NETNS:-0}" != 1 ] && [ -z "${e2e_locked:-}" ]; then
        exec 9>/tmp/bbstats-e2e-8461.lock
        flock 9
        e2e_locked=1
    fi
}

# Stops the service started by e2e_start_service (the lock stays held).
e2e_stop_service() {
    if [ -n "$service_pid" ]; then
        kill -TERM "$service_pid" 2>/dev/null || true
        wait "$service_pid" 2>/dev/null || true
        service_pid=""
    fi
}

e2e_cleanup() {
    [ -n "$client_pid" ] && kill -TERM "$client_pid" 2>/dev/null || true
    if [ -n "$service_pid" ]; then
        kill -TERM "$service_pid" 2>/dev/null || true
        wait "$service_pid" 2>/dev/null || true
    fi
    rm -rf "$work"
}
trap e2e_cleanup EXIT

fail() {
    echo "FAIL: $*" >&2
    [ -f "$work/requests.log" ] && sed 's/^/  request: /' "$work/requests.log" >&2
    exit 1
}

answers() { (exec 3<>"/dev/tcp/$1/8461") 2>/dev/null; }
# The service listens while it loads its tables, answering 503 to all but its
# health path: it is ready once that path answers 200.
ready() {
    (
        exec 3<>"/dev/tcp/$1/8461" || exit 1
        printf 'GET /healthz HTTP/1.0\r\n\r\n' >&3
        IFS= read -r -t 10 status <&3 || exit 1
        [[ $status == "HTTP/1."?" 200"* ]]
    ) 2>/dev/null
}

# Starts bbstatsd on the default addresses with the request log
# $work/requests.log; the third argument chooses how it logs (default
# --log-requests, first body lines only); further ones go to `serve`.
# usage: e2e_start_service BBSTATSD DB [LOG-OPTION [SERVE-OPTION...]]
e2e_start_service() {
    local service=$1 db=$2 logOption=${3:---log-requests}
    shift $(($# < 3 ? $# : 3))
    e2e_hold_default_addresses
    for host in 127.0.0.1 127.0.0.2 127.0.0.3; do
        answers "$host" && fail "port 8461 on $host is taken; this test needs the default addresses"
    done
    [ -f "$db" ] || fail "no imported database at $db"
    "$service" serve --db "$db" --events "$work/events.db" "$logOption" "$work/requests.log" \
        "$@" >"$work/service.log" 2>&1 &
    service_pid=$!
    for _ in $(seq 1 600); do
        ready 127.0.0.2 && break
        kill -0 "$service_pid" 2>/dev/null || fail "bbstatsd ended: $(cat "$work/service.log")"
        sleep 0.5
    done
    ready 127.0.0.2 || fail "bbstatsd does not answer on 127.0.0.2:8461"
}

# Starts the client in a fresh folder and waits for its main window.
# usage: e2e_start_client CLIENT COBRAND_TXT
e2e_start_client() {
    local client=$1 cobrand=$2
    title=$(sed -n 's/^WindowTitle = //p' "$cobrand")
    mkdir "$work/run"
    (cd "$work/run" && exec "$client") &
    client_pid=$!
    main=$(timeout 120 xdotool search --sync --onlyvisible --name "^$title\$" | head -1) ||
        fail "the main window did not appear"
}

# Height of the header band the co-brand description $1 gives the main
# window (0 when its header is off); database windows lie below it.
header_height() {
    if grep -q '^HeaderEnabled = on$' "$1"; then
        sed -n 's/^HeaderHeight = //p' "$1"
    else
        echo 0
    fi
}

# Waits up to 15 s for a window titled $1 (a dialog), gives it the focus and
# prints its id.
await_window() {
    local id
    id=$(timeout 15 xdotool search --sync --onlyvisible --name "^$1\$" | head -1) ||
        fail "no window titled \"$1\""
    xdotool windowfocus --sync "$id" 2>/dev/null || true
    sleep 0.3
    echo "$id"
}

# Waits until no window titled $1 is shown.
await_gone() {
    for _ in $(seq 1 150); do
        xdotool search --onlyvisible --name "^$1\$" >/dev/null 2>&1 || return 0
        sleep 0.1
    done
    fail "the window \"$1\" stayed open"
}

# How many POST requests to path $1 the service logged.
requests() {
    local n=0
    [ -f "$work/requests.log" ] && n=$(grep -c "^POST $1 " "$work/requests.log" || true)
    echo "${n:-0}"
}

# Waits up to 10 s until more than $2 requests to path $1 were logged.
wait_requests() {
    local path=$1 before=$2
    for _ in $(seq 1 100); do
        [ "$(requests "$path")" -gt "$before" ] && return 0
        sleep 0.1
    done
    return 1
}

# Opens a database with Alt+B and its letter; waits for the title naming its
# window and for its first page request, which must ask for the top of the
# data with the default sort code $4.
# usage: open_database LETTER CAPTION PATH SORT_CODE
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
    wait_requests "$path" "$before" || fail "$caption sent no request to $path"
    grep -q "^POST $path 0![0-9]*!$4!" "$work/requests.log" ||
        fail "$caption's first request is not for the top of the data with sort code $4"
}

# Alt+X ("E&xit") closes every window; the client must end with exit code 0.
exit_client() {
    xdotool windowfocus --sync "$main" 2>/dev/null || true
    xdotool key alt+x
    local code=0
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
}
