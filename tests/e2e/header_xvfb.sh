#!/usr/bin/env bash
# On a virtual X display, against bbstatsd on its default addresses
# (127.0.0.1-3:8461): the packaged client's header band with the news ticker
# the service makes from the data. The ticker lines and headlines change
# between two screenshots 3.5 s apart; with the pointer resting on today's
# line they hold still; with the pointer on the bare band they move again,
# also with the Batters window open below the band.
# Then a demonstration copy (resources/cobrand-demo.txt packed with
# cobrand-pack): after the welcome dialog its header shows the first sample
# partner after 10 s and the second after 20 s. Screenshots go to
# $BBSTATS_E2E_SHOTS (default: the test's temporary folder). Needs the
# default ports: runs alone.
# usage: header_xvfb.sh PACKAGED_CLIENT BBSTATSD DB SOURCE_DIR COBRAND_PACK PLAIN_IMAGE OFFSET
set -euo pipefail
client=$1 service=$2 db=$3 source=$4 pack=$5 plain=$6 offset=$7
here=$(cd "$(dirname "$0")" && pwd)

source "$here/e2elib.sh"
e2e_in_xvfb "$@"

shots=${BBSTATS_E2E_SHOTS:-$work/shots}
mkdir -p "$shots"
cobrand=$source/resources/cobrand.txt

# Checksum of the screen's rectangle WxH+X+Y.
region() { import -window root -crop "$1" +repage rgb:- | md5sum | cut -d' ' -f1; }

# The screen row where the header band starts: the first row whose pixel in
# column $1 (right of every header control) has the band's colour $2.
band_top() {
    local x=$1 colour=$2
    convert "$work/probe.png" -crop "1x300+$x+0" +repage txt:- |
        awk -v want="$colour" 'row == "" && tolower($0) ~ tolower(want) { split($1, p, /[,:]/); row = p[2] }
            END { print row }'
}

e2e_start_service "$service" "$db"
e2e_start_client "$client" "$cobrand"

eval "$(xdotool getwindowgeometry --shell "$main")"
colour=$(sed -n 's/^HeaderColor = //p' "$cobrand")
top=""
for _ in $(seq 1 50); do
    import -window root "$work/probe.png"
    top=$(band_top $((X + 1270)) "$colour")
    [ -n "$top" ] && break
    sleep 0.2
done
[ -n "$top" ] || fail "no header band of colour $colour on the screen"

# The ticker lines (Label3 at 150,16 and Label4 at 150,48 of the band) and
# the headlines (611,16 to 611,58).
ticker="700x50+$((X + 150))+$((top + 14))"
lines="380x14+$((X + 150))+$((top + 16))"
blank=$(convert -size 380x14 "xc:$colour" rgb:- | md5sum | cut -d' ' -f1)
for _ in $(seq 1 50); do
    [ "$(region "$lines")" != "$blank" ] && break
    sleep 0.2
done
[ "$(region "$lines")" != "$blank" ] || fail "today's ticker line stays empty"

xdotool mousemove --sync $((X + 1270)) $((top + 5))
first=$(region "$ticker")
import -window root "$shots/header-1-ticker.png"
sleep 3.5
second=$(region "$ticker")
import -window root "$shots/header-2-ticker-later.png"
[ "$first" != "$second" ] || fail "the ticker did not move in 3.5 s"

# The pointer on today's line freezes both rotations.
xdotool mousemove --sync $((X + 155)) $((top + 22))
sleep 0.5
frozen=$(region "$ticker")
sleep 3.5
[ "$(region "$ticker")" = "$frozen" ] || fail "the ticker moved under the pointer"
sleep 3.5
[ "$(region "$ticker")" = "$frozen" ] || fail "the ticker moved under the pointer"
import -window root "$shots/header-3-frozen.png"

# On the bare band it runs again.
xdotool mousemove --sync $((X + 1270)) $((top + 30))
moved=""
for _ in $(seq 1 40); do
    [ "$(region "$ticker")" != "$frozen" ] && moved=1 && break
    sleep 0.2
done
[ -n "$moved" ] || fail "the ticker did not run again with the pointer on the bare band"

# A database window opens below the band, and the ticker goes on above it.
open_database b "Baseball Batters Statistics" /cgi-bin/getbat.exe 300
xdotool mousemove --sync $((X + 1270)) $((top + 30))
before=$(region "$ticker")
sleep 3.5
[ "$(region "$ticker")" != "$before" ] || fail "the ticker stopped with a database window open"
import -window root "$shots/header-4-batters.png"
exit_client

# The demonstration copy.
"$pack" --offset "$offset" "$source/resources/cobrand-demo.txt" "$plain" "$work/bbstats-demo" >/dev/null
demo_title=$(sed -n 's/^WindowTitle = //p' "$source/resources/cobrand-demo.txt")
mkdir "$work/demo"
(cd "$work/demo" && exec "$work/bbstats-demo") &
client_pid=$!
# The window keeps its id while the rotation changes its title (it may have
# changed already while the copy started). The welcome dialog comes with the
# first activation (there is no window manager: the focus is given).
main=$(timeout 120 xdotool search --sync --onlyvisible --name "All.Time Baseball Statistics" |
    head -1) || fail "no main window of the demonstration copy"
[ "$(xdotool getwindowname "$main")" = "$demo_title" ] ||
    echo "note: the first demonstration step came before the window showed"
welcome=""
for _ in $(seq 1 30); do
    xdotool windowfocus --sync "$main" 2>/dev/null || true
    welcome=$(xdotool search --onlyvisible --name '^Welcome$' 2>/dev/null | head -1) || true
    [ -n "$welcome" ] && break
    sleep 0.5
done
[ -n "$welcome" ] || fail "the demonstration copy showed no welcome dialog"
for _ in $(seq 1 20); do
    xdotool windowfocus --sync "$welcome" 2>/dev/null && xdotool key Return 2>/dev/null || true
    sleep 0.3
    xdotool search --onlyvisible --name '^Welcome$' >/dev/null 2>&1 || break
done
xdotool search --onlyvisible --name '^Welcome$' >/dev/null 2>&1 && fail "the welcome dialog stayed open"
import -window root "$shots/demo-0-start.png"

# Waits up to 15 s for the main window's title $1, then takes screenshot $2.
demo_step() {
    timeout 15 xdotool search --sync --name "^$1\$" >/dev/null ||
        fail "the demonstration did not reach \"$1\""
    sleep 0.5
    import -window root "$shots/$2"
}
demo_step "The Harbor City Herald All Time Baseball Statistics Database for the Internet" \
    demo-1-harbor-city.png
demo_step "The Prairie Sports Net All Time Baseball Statistics Database for the Internet" \
    demo-2-prairie.png
cmp -s "$shots/demo-1-harbor-city.png" "$shots/demo-2-prairie.png" &&
    fail "the two demonstration steps look the same"

exit_client
echo "PASS"
