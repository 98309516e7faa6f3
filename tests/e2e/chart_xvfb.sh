#!/usr/bin/env bash
# On a virtual X display, against bbstatsd on its default addresses
# (127.0.0.1-3:8461), from the keyboard: opens Batters, selects Babe Ruth,
# opens Options > Chart, exports the chart as PNG and checks the file (a
# whole PNG of the chart's size); then opens a query file sorting by home
# runs, charts HR and exports the top-25 bars as SVG under the name the
# dialog offers ("batters-hr.svg", in the folder used last), whose category
# labels name "Bonds, Barry 2001". The main window's class is the desktop
# entry's StartupWMClass. Screenshots go to $BBSTATS_E2E_SHOTS
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
# A home of the test's own: the file dialogs start in its Documents folder.
export HOME=$work/home
mkdir -p "$HOME/Documents"
e2e_start_client "$client" "$cobrand"

# A dock groups the windows under the launcher whose StartupWMClass is the class.
wm_class=$(sed -n 's/^StartupWMClass=//p' "$here/../../packaging/bbstats.desktop")
[ -n "$wm_class" ] || fail "the desktop entry has no StartupWMClass"
xprop -id "$main" WM_CLASS | grep -q "\"$wm_class\"\$" ||
    fail "the main window's class is $(xprop -id "$main" WM_CLASS), not \"$wm_class\""
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

# A query file sorting by home runs, descending: the window shows it and the
# chart, which follows its window, draws the top 25 as bars.
query=$work/hr.bbq
cat >"$query" <<'QUERY'
bbstats-query 1
attribution Baseball statistics from the Lahman Baseball Database by Sean Lahman, licensed under CC BY-SA 3.0.
database Batters
sort 16
sort-pair -1 -1
sort-triple -1 -1 -1
sort-quad -1 -1 -1 -1
band 0 FF0000 0000FF
QUERY
at=$(mark)
focus_main
xdotool key ctrl+o
await_window "Open query" >/dev/null
xdotool key ctrl+a
xdotool type --delay 20 "$query"
xdotool key Return
await_gone "Open query"
for _ in $(seq 1 150); do
    tail -n +"$((at + 1))" "$log" | grep -q "^POST $bat 0![0-9]*!16!" && break
    sleep 0.1
done
tail -n +"$((at + 1))" "$log" | grep -q "^POST $bat 0![0-9]*!16!" ||
    fail "the query file sent no page request sorted by HR"

# C&olumn: HR, typed; the chart fetches the rows again.
at=$(mark)
xdotool windowfocus --sync "$chart" 2>/dev/null || true
xdotool key alt+o
xdotool type --delay 60 "HR"
for _ in $(seq 1 150); do
    [ "$(tail -n +"$((at + 1))" "$log" | grep -c "^POST $bat 0!" || true)" -ge 1 ] && break
    sleep 0.1
done
sleep 1
shot 2-top25

# Export S&VG... under the offered name, in the folder used last (the query
# file's).
xdotool windowfocus --sync "$chart" 2>/dev/null || true
xdotool key alt+v
await_window "Export chart as SVG" >/dev/null
xdotool key Return
await_gone "Export chart as SVG"
svg=$work/batters-hr.svg
for _ in $(seq 1 100); do
    [ -s "$svg" ] && break
    sleep 0.1
done
[ -s "$svg" ] || fail "no batters-hr.svg beside hr.bbq: $(ls "$work" "$work/out" "$HOME/Documents")"
grep -q '>Bonds, Barry 2001<' "$svg" ||
    fail "the top-25 chart's labels do not name Bonds, Barry 2001: $(grep -o '>[A-Z][a-z]*, [A-Za-z]* [0-9]*<' "$svg" | head -5)"

exit_client
echo "chart end-to-end: Ruth's chart exported as a ${width}x$height PNG, the top 25 as SVG"
