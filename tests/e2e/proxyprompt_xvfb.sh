#!/usr/bin/env bash
# On a virtual X display: with the proxy prompt switched on and no PROXY.DAT,
# the proxy dialog is the first window; pressing Enter (the default "&Ok")
# writes PROXY.DAT and only then does the main window appear. SIGTERM then
# ends the client with exit code 0.
# usage: proxyprompt_xvfb.sh COBRAND_PACK PLAIN_IMAGE OFFSET SOURCE_DIR
set -euo pipefail
pack=$1 plain=$2 offset=$3 source=$4

# The client's start-up exchanges (version check, banner settings, marker
# upload) go to the default addresses.
source "$(dirname "$0")/e2elib.sh"
e2e_in_xvfb "$@"
e2e_hold_default_addresses

sed -e 's/^ProxyPromptEnabled = off$/ProxyPromptEnabled = on/' \
    -e "s#^Logo = logo.bmp\$#Logo = $source/resources/logo.bmp#" \
    "$source/resources/cobrand.txt" >"$work/cobrand.txt"
grep -q '^ProxyPromptEnabled = on$' "$work/cobrand.txt"
"$pack" --offset "$offset" "$work/cobrand.txt" "$plain" "$work/bbstats-proxy"
title=$(sed -n 's/^WindowTitle = //p' "$work/cobrand.txt")

mkdir "$work/run"
cd "$work/run"
"$work/bbstats-proxy" &
pid=$!
fail() { echo "FAIL: $*" >&2; kill -TERM "$pid" 2>/dev/null || true; exit 1; }

timeout 120 xdotool search --sync --onlyvisible --name '^Proxy settings$' >/dev/null ||
    fail "the proxy dialog did not appear"
if xdotool search --onlyvisible --name "^$title\$" >/dev/null 2>&1; then
    fail "the main window is visible before the proxy dialog was answered"
fi
[ ! -e PROXY.DAT ] || fail "PROXY.DAT exists before the dialog was closed"

# Press Enter in the dialog; retried because the dialog's X window may still
# be settling (focus is given directly: there is no window manager).
for attempt in $(seq 1 20); do
    win=$(xdotool search --onlyvisible --name '^Proxy settings$' 2>/dev/null | head -1) || true
    if [ -n "$win" ]; then
        xdotool windowfocus --sync "$win" 2>/dev/null && xdotool key Return 2>/dev/null || true
    fi
    for _ in 1 2 3 4 5 6 7 8 9 10; do
        [ -e PROXY.DAT ] && break 2
        sleep 0.2
    done
done
[ -e PROXY.DAT ] || fail "Enter in the proxy dialog did not close it"
timeout 120 xdotool search --sync --onlyvisible --name "^$title\$" >/dev/null ||
    fail "the main window did not appear after Ok"
printf 'FALSE\r\n\r\n     \r\n\r\n\r\n' | cmp - PROXY.DAT || fail "PROXY.DAT is not as the dialog stood"

kill -TERM "$pid"
code=0
wait "$pid" || code=$?
[ "$code" -eq 0 ] || fail "exit code $code after SIGTERM"
[ ! -e temp.exe ] && [ ! -e temp.txt ] || fail "temporary files left behind"
echo "PASS"
