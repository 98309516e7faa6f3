#!/usr/bin/env bash
# The second half of package_test.sh, run in a mount and network namespace of
# its own where the source folder (and the build folders in it) is hidden:
# the extracted bbstatsd-prepare imports the small data set with the
# extracted service, which then serves it on the default addresses with its
# installed content folder; the extracted client starts on a virtual X
# display in its working folder and opens the Batters window against it.
# usage: package_run.sh TEMP_DIR HIDDEN_SOURCE_DIR
set -euo pipefail
tmp=$1 hidden=$2
root=$tmp/root

source "$tmp/e2elib.sh"
e2e_in_xvfb "$@"

[ -z "$(ls -A "$hidden")" ] || fail "the source folder $hidden is not hidden"

# Import through the unit's start step; a second start imports nothing.
export BBSTATSD_DATA=$tmp/data BBSTATSD_DB=$tmp/state/lahman.db
mkdir -p "$tmp/state"
"$root/usr/libexec/bbstatsd/bbstatsd-prepare" || fail "bbstatsd-prepare did not import $BBSTATSD_DATA"
[ -s "$BBSTATSD_DB" ] || fail "bbstatsd-prepare made no $BBSTATSD_DB"
# The CSV files were written a moment before the import: put them well before the file, which
# then is older than nothing (an import within the same second or two would look stale).
touch -d '1 minute ago' "$BBSTATSD_DATA"/*.csv
touch -d '2 seconds ago' "$BBSTATSD_DB"
before=$(stat -c %Y "$BBSTATSD_DB")
"$root/usr/libexec/bbstatsd/bbstatsd-prepare" 2>"$work/prepare.log" || fail "a second start failed"
[ "$(stat -c %Y "$BBSTATSD_DB")" = "$before" ] || fail "a second start imported again"
# Without CSV files an imported file is served as it is; with neither the
# step fails, naming the folder.
BBSTATSD_DATA=$tmp/none "$root/usr/libexec/bbstatsd/bbstatsd-prepare" 2>/dev/null ||
    fail "bbstatsd-prepare refused an imported file without its CSV folder"
if BBSTATSD_DB=$tmp/none.db BBSTATSD_DATA=$tmp/none \
    "$root/usr/libexec/bbstatsd/bbstatsd-prepare" 2>"$work/prepare.log"; then
    fail "bbstatsd-prepare started with no data at all"
fi
grep -q "$tmp/none lacks" "$work/prepare.log" || fail "no clear message: $(cat "$work/prepare.log")"

# The service on its default addresses with its default content folder.
for host in 127.0.0.1 127.0.0.2 127.0.0.3; do
    answers "$host" && fail "port 8461 on $host is taken inside the namespace"
done
"$root/usr/bin/bbstatsd" serve --db "$BBSTATSD_DB" --events "$work/events.db" \
    --log-requests "$work/requests.log" >"$work/service.log" 2>&1 &
service_pid=$!
for _ in $(seq 1 200); do
    ready 127.0.0.2 && break
    kill -0 "$service_pid" 2>/dev/null || fail "bbstatsd ended: $(cat "$work/service.log")"
    sleep 0.3
done
ready 127.0.0.2 || fail "bbstatsd does not answer on 127.0.0.2:8461"
grep -q "^bbstatsd: content $root/usr/share/bbstatsd/content," "$work/service.log" ||
    fail "the service does not use its installed content folder: $(cat "$work/service.log")"
cmp -s <(curl -s --max-time 20 http://127.0.0.1:8461/baseballout.txt) \
    "$root/usr/share/bbstatsd/content/baseballout.txt" ||
    fail "the service does not serve baseballout.txt from its installed content folder"
bat=/cgi-bin/getbat.exe
total=$(printf '0!1!300!\r\n*\r\n\x1a' |
    curl -s --max-time 60 --data-binary @- "http://127.0.0.1:8461$bat" | head -1 | tr -d '\r')
rows=$(($(wc -l <"$tmp/data/Batting.csv") - 1))
[ "${total:-0}" -gt 0 ] && [ "$total" -le "$rows" ] ||
    fail "the service counts '$total' batter seasons, not those of the $rows rows of 1927"

# The client through its installed command, in the working folder it makes.
export BBSTATS_HOME=$work/home
e2e_start_client "$root/usr/bin/bbstats" "$tmp/cobrand.txt"
[ -d "$BBSTATS_HOME" ] || fail "the client made no working folder $BBSTATS_HOME"
open_database b "Baseball Batters Statistics" $bat 300
# A look at the extracted client for whoever runs this by hand.
if [ -n "${BBSTATS_E2E_SHOTS:-}" ]; then
    mkdir -p "$BBSTATS_E2E_SHOTS"
    sleep 1
    import -window root "$BBSTATS_E2E_SHOTS/package-batters.png"
fi
exit_client
[ -n "$(ls -A "$BBSTATS_HOME")" ] || fail "the client kept no files in $BBSTATS_HOME"
echo "the extracted service and client ran with $hidden hidden"
