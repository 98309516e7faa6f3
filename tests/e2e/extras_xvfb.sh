#!/usr/bin/env bash
# On a virtual X display, against bbstatsd on its default addresses
# (127.0.0.1-3:8461) and the marker receiver on the build's FTP address, the
# online extras of the packaged client over two starts:
# 1. a current copy: the Batters window shows a banner from the service
#    within 20 s; closing the window records an "IN,batters,..." event that
#    `bbstatsd usage` counts; Exit ends the client; a start-up marker is left;
# 2. the same copy against a content folder whose version table names
#    another version: the update notice shows the service's notice text, the
#    main window never appears, the marker of the first start is uploaded
#    under a numeric name, and closing the notice ends the program.
# Screenshots go to $BBSTATS_E2E_SHOTS (default: the test's temporary
# folder). Needs the default ports: runs alone.
# usage: extras_xvfb.sh PACKAGED_CLIENT BBSTATSD DB COBRAND_TXT SOURCE_DIR FTP_HOST FTP_USER FTP_PASSWORD
set -euo pipefail
client=$1 service=$2 db=$3 cobrand=$4 source=$5 ftp_host=$6 ftp_user=$7 ftp_password=$8
here=$(cd "$(dirname "$0")" && pwd)

source "$here/e2elib.sh"
e2e_in_xvfb "$@"

shots=${BBSTATS_E2E_SHOTS:-$work/shots}
mkdir -p "$shots"
site=$(sed -n 's/^SiteId = //p' "$cobrand")
notice_title="Baseball Database for the Internet software update"
ftp_pid=""
stop_ftp() {
    [ -n "$ftp_pid" ] && kill -TERM "$ftp_pid" 2>/dev/null && wait "$ftp_pid" 2>/dev/null
    ftp_pid=""
}
trap 'stop_ftp; e2e_cleanup' EXIT

# How many pixels of screenshot $1 have one of the banners' background colours.
banner_pixels() {
    local total=0 n colour
    for colour in "#1F3A5F" "#7A1F1F" "#1F5F3A"; do
        n=$(convert "$1" -fill black +opaque "$colour" -fill white -opaque "$colour" \
            -format "%[fx:int(mean*w*h+0.5)]" info:)
        total=$((total + n))
    done
    echo "$total"
}

# The marker receiver, on the build's FTP address (held with the default
# service addresses under the same lock).
e2e_start_service "$service" "$db"
ftp_folder=$work/ftp
mkdir -p "$ftp_folder"
if (exec 3<>"/dev/tcp/${ftp_host%:*}/${ftp_host##*:}") 2>/dev/null; then
    fail "$ftp_host is taken; this test needs the build's FTP address"
fi
BBSTATS_FTP_PASSWORD=$ftp_password /usr/bin/python3 "$source/scripts/ftp-receiver.py" \
    "$ftp_host" "$ftp_user" "$ftp_folder" >"$work/ftp.log" 2>&1 &
ftp_pid=$!
for _ in $(seq 1 100); do
    grep -q '^listening on' "$work/ftp.log" && break
    kill -0 "$ftp_pid" 2>/dev/null || fail "the FTP receiver ended: $(cat "$work/ftp.log")"
    sleep 0.1
done
grep -q '^listening on' "$work/ftp.log" || fail "the FTP receiver did not start"

# 1. A current copy: the first start leaves a marker and uploads nothing.
e2e_start_client "$client" "$cobrand"
[ -f "$work/run/check.ver" ] || fail "the first start left no check.ver"
[ -z "$(ls "$ftp_folder")" ] || fail "the first start uploaded something: $(ls "$ftp_folder")"
open_database b "Baseball Batters Statistics" /cgi-bin/getbat.exe 300

# A banner within 20 s of the window's opening, looked for every second.
shown=0
for _ in $(seq 1 20); do
    sleep 1
    import -window root "$work/screen.png"
    if [ "$(banner_pixels "$work/screen.png")" -gt 20000 ]; then
        shown=1
        break
    fi
done
[ "$shown" = 1 ] || fail "no banner in the Batters window within 20 s"
grep -q '^GET /ads/banner.gif?n=[0-9]* $' "$work/requests.log" ||
    fail "the banner did not come from the banner path with a number"
cp "$work/screen.png" "$shots/extras-1-banners.png"

# Closing the window (Ctrl+W) sends its IN event, which the report counts.
xdotool windowfocus --sync "$main" 2>/dev/null || true
xdotool key ctrl+w
counted=""
for _ in $(seq 1 100); do
    counted=$("$service" usage --events "$work/events.db" 2>/dev/null |
        awk -F'\t' -v s="$site" '$1 == s && $2 == "IN" { print $3 " " $4 }')
    [ -n "$counted" ] && break
    sleep 0.1
done
[ -n "$counted" ] || fail "closing the Batters window recorded no IN event for $site"
[ "${counted%% *}" = 1 ] || fail "bbstatsd usage counts '$counted' IN events, expected one"
grep -q "^GET /999addlog.asp?Q=IN,batters,$site,[0-9]* $" "$work/requests.log" ||
    fail "the IN event text is not IN,batters,$site,SECONDS"
exit_client
cp "$work/run/check.ver" "$work/first-marker"

# 2. The same copy, out of date: a content folder whose version table has
# another version for the site and a notice text of its own.
cp -r "$source/service/content" "$work/content"
printf '1\r\n%s\r\n99.0\r\n' "$site" >"$work/content/versions.txt"
printf 'Test headline one\r\nTest headline two\r\nTest invitation\r\n<URL>\r\n' \
    >"$work/content/baseballout.txt"
e2e_stop_service
e2e_start_service "$service" "$db" --log-requests --content "$work/content"
(cd "$work/run" && exec "$client") &
client_pid=$!
notice=$(timeout 60 xdotool search --sync --onlyvisible --name "^$notice_title\$" | head -1) ||
    fail "the update notice did not appear"
for _ in $(seq 1 100); do
    grep -q '^GET /baseballout.txt ' "$work/requests.log" && break
    sleep 0.1
done
grep -q '^GET /baseballout.txt ' "$work/requests.log" || fail "the notice did not fetch its text"
sleep 1
import -window root "$shots/extras-2-notice.png"
if xdotool search --onlyvisible --name "^$title\$" >/dev/null 2>&1; then
    fail "the main window is shown beside the update notice"
fi

# The marker of the first start arrived under a numeric name, byte for byte.
uploaded=$(ls "$ftp_folder")
[ "$(echo "$uploaded" | wc -l)" = 1 ] && [[ "$uploaded" =~ ^[0-9]+$ ]] ||
    fail "expected one upload with a numeric name, found: $uploaded"
[ "$uploaded" -lt 99999999 ] || fail "the upload name $uploaded is out of range"
cmp -s "$ftp_folder/$uploaded" "$work/first-marker" || fail "the uploaded marker differs"
[ -f "$work/run/check.ver" ] || fail "the second start left no check.ver"

# Closing the notice ends the program with exit code 0.
xdotool windowfocus --sync "$notice" 2>/dev/null || true
xdotool key Escape
for _ in $(seq 1 100); do
    kill -0 "$client_pid" 2>/dev/null || break
    sleep 0.1
done
kill -0 "$client_pid" 2>/dev/null && fail "closing the update notice did not end the program"
code=0
wait "$client_pid" || code=$?
client_pid=""
[ "$code" -eq 0 ] || fail "the program ended with exit code $code after the notice"
echo "extras: banner, IN event ($counted), update notice and marker upload checked"
