#!/bin/sh
# Imports the Lahman CSV files of $BBSTATSD_DATA into $BBSTATSD_DB when that
# file is missing or older than the CSV files or the service program, so that
# a restart of the service picks up new data and new figures. Run by
# bbstatsd.service before the service starts; an imported file whose CSV
# folder has gone is kept and served as it is.
set -eu
here=$(dirname "$(readlink -f "$0")")
service="$here/../../@CMAKE_INSTALL_BINDIR@/bbstatsd"
data="${BBSTATSD_DATA:-/var/lib/bbstatsd/lahman}"
db="${BBSTATSD_DB:-/var/lib/bbstatsd/lahman.db}"
csvs="Batting.csv Pitching.csv Fielding.csv Teams.csv People.csv"

missing=""
for csv in $csvs; do
    [ -f "$data/$csv" ] || missing="$missing $csv"
done
if [ -n "$missing" ]; then
    if [ -f "$db" ]; then
        echo "bbstatsd: $data lacks$missing; serving $db as imported." >&2
        exit 0
    fi
    echo "bbstatsd: no statistics to serve: $db does not exist and $data lacks$missing." >&2
    echo "bbstatsd: put the Lahman Baseball Database's CSV files ($csvs) there" \
        "(see BBSTATSD_DATA in /etc/default/bbstatsd) and start the service again." >&2
    exit 1
fi

stale=0
[ -f "$db" ] || stale=1
[ "$stale" = 0 ] && [ "$service" -nt "$db" ] && stale=1
for csv in $csvs; do
    [ "$stale" = 0 ] && [ "$data/$csv" -nt "$db" ] && stale=1
done
[ "$stale" = 0 ] && exit 0

echo "bbstatsd: importing $data into $db" >&2
exec "$service" import "$data" "$db"
