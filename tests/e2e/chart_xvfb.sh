#!/usr/bin/env bash
# On a virtual X display, against bbstatsd on its default addresses
# (127.0.0.1-3:8461), from the keyboard: opens Batters, selects Babe Ruth,
# opens Options > Chart, exports the chart as PNG and checks the file (a
# whole PNG of the chart's size). Screenshots go to $BBSTATS_E2E_SHOTS
# (default: the test's temporary folder). Needs the default ports: runs alone.
# usage: chart_xvfb.sh PACKAGED_CLIENT BBSTATSD DB COBRAND_TXT
set -euo pipefail
client=$1 service=$2 db=$3 cobrand=$4
here=$(cd "$(dirname "$0")" && pwd)

source "$here/e2elib.sh"
e2e_in_xvfb "$@"

shots=${BBSTATS_E2E_SHOTS:-$work/shots}
mkdir -p "$shots" "$work/out"
log=$work/requests.log
bat=/cgi-bin/getbat.exe
png=$work/out/ruth.png

shot() {
    sleep 0.5
    import -window root "$shots/chart-$1.png"
}
mark() { wc -l <"$log"; }
focus_main() { xdotool windowfocus --sync "$main" 2>/dev/null || true; }

e2e_start_service "$service" "$db" --log-bodies
e2e_start_client "$client" "$cobrand"
open_database b "Baseball Batters Statistics" $bat 300

# Select > Player: the list jumps to the typed name; Space ticks it.
at=$(mark)
sleep 1
focus_main
xdotool key --delay 150 alt+b Right
shot 0-select-menu
xdotool key Return
await_window "Baseball Batters - Select Player" >/dev/null
# The name typed whole: within the type-ahead pause a blank is part of the
# search. After the pause Space ticks the line found.
xdotool type --delay 60 "Ruth, Babe"
sleep 1
xdotool key space Return
await_gone "Baseball Batters - Select Player"
for _ in $(seq 1 150); do
    tail -n +"$((at + 1))" "$log" | grep -q "^POST $bat 0![0-9]*!300!\\\\x0d\\\\x0aARuth, Babe\\\\x0d" && break
    sleep 0.1
done
tail -n +"$((at + 1))" "$log" | grep -q "^POST $bat 0![0-9]*!300!\\\\x0d\\\\x0aARuth, Babe\\\\x0d" ||
    fail "no page request selecting Ruth, Babe"

# Options > C&hart...: the chart window fetches its rows and draws.
at=$(mark)
focus_main
xdotool key --delay 150 alt+o h
chart=$(await_window "Chart - Baseball Batters Statistics")
for _ in $(seq 1 150); do
    [ "$(tail -n +"$((at + 1))" "$log" | grep -c "^POST $bat 0!" || true)" -ge 1 ] && break
    sleep 0.1
done
sleep 1
shot 1-chart

# Export P&NG... into a file.
xdotool windowfocus --sync "$chart" 2>/dev/null || true
xdotool key alt+n
await_window "Export chart as PNG" >/dev/null
xdotool key ctrl+a
xdotool type --delay 20 "$png"
xdotool key Return
await_gone "Export chart as PNG"
for _ in $(seq 1 100); do
    [ -s "$png" ] && break
    sleep 0.1
done
[ -s "$png" ] || fail "no PNG file was written"
size=$(identify -format '%m %w %h' "$png") || fail "the PNG file does not read as a picture"
read -r format width height <<<"$size"
[ "$format" = PNG ] || fail "the file is $format, not PNG"
[ "$width" -ge 640 ] && [ "$height" -ge 448 ] || fail "the picture is only ${width}x$height"
ls "$work/out" | grep -v '^ruth.png$' && fail "a temporary file was left beside the picture"

exit_client
echo "chart end-to-end: Ruth's chart exported as a ${width}x$height PNG"
