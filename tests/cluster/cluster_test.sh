#!/usr/bin/env bash
# The cluster on loopback (deploy/cluster: 3 replicas, PostgreSQL, HAProxy on the client's three
# mirror addresses), in a network namespace of its own so that the addresses are free:
#  a) 8 page readers for 10 s, one replica killed (SIGKILL) after 3 s and another stopped
#     (SIGTERM) after 6 s: no failed request, every reply byte-identical to a single service's;
#  b) meanwhile 4 senders of usage events: every event acknowledged with 200 is in PostgreSQL
#     exactly once, and none is there twice;
#  c) PostgreSQL stopped: events get 503, pages keep answering; started again: events resume.
# Also: a replica serving a different statistics file is refused.
# Usage: cluster_test.sh SOURCE_DIR BBSTATSD DB
set -euo pipefail

if [ -z "${BBSTATS_IN_NETNS:-}" ]; then
    exec unshare -n env BBSTATS_IN_NETNS=1 bash -c 'ip link set lo up && exec "$0" "$@"' "$0" "$@"
fi
source_dir=$1
bbstatsd=$(realpath "$2")
db=$(realpath "$3")
cluster=$source_dir/deploy/cluster
clients=$source_dir/tests/cluster/clients.py
work=$(mktemp -d /tmp/bbstats-cluster.XXXXXX)
chmod 755 "$work"
fronts=127.0.0.1:8461,127.0.0.2:8461,127.0.0.3:8461
today=2024-07-04
single=

finish() {
    [ -z "$single" ] || kill "$single" 2>/dev/null || true
    "$cluster" down "$work/c" >/dev/null 2>&1 || true
    rm -rf "$work"
}
trap finish EXIT
trap 'echo "cluster test: SIGTERM" >&2; exit 143' TERM
fail() {
    echo "FAIL: $*" >&2
    for log in "$work"/c/replica-*.log; do
        [ -f "$log" ] && { echo "--- $log"; tail -5 "$log"; } >&2
    done
    exit 1
}

# The replies of a single service, without the balancer.
# It listens on the first front address, which the replicas name in their news links.
"$bbstatsd" serve --db "$db" --listen 127.0.0.1:8461 --events "$work/single-events.db" \
    --today "$today" >"$work/single.log" 2>&1 &
single=$!
for _ in $(seq 1200); do
    curl -s 127.0.0.1:8461/healthz | grep -q '^ready' && break
    kill -0 "$single" || fail "the single service ended: $(cat "$work/single.log")"
    sleep 0.25
done
python3 "$clients" reference 8461 "$work/reference"
kill -TERM "$single"
wait "$single" || true
single=

"$cluster" up "$work/c" --replicas 3 --db "$db" --bbstatsd "$bbstatsd" --today "$today" \
    >"$work/up.log" || fail "cluster up: $(cat "$work/up.log")"
cat "$work/up.log"
status=$("$cluster" status "$work/c")
[ "$(grep -c ' ready$' <<<"$status")" -eq 3 ] || fail "not 3 ready replicas: $status"
grep -q "^balancer $fronts [0-9]" <<<"$status" || fail "no balancer line: $status"
grep -q '^events postgresql://bbstats@127.0.0.1:' <<<"$status" || fail "no events line: $status"
pids=($(awk '/^replica/ {print $3}' <<<"$status"))

# a) and b) together: the replica killed is lost under both.
python3 "$clients" pages "$work/reference" 10 8 "$fronts" >"$work/pages.log" 2>&1 &
pages=$!
python3 "$clients" events 8 4 "$fronts" run1 "$work/acks" >"$work/events.log" 2>&1 &
events=$!
sleep 3
kill -KILL "${pids[0]}"
sleep 3
kill -TERM "${pids[1]}"
pages_ok=0
wait "$pages" || pages_ok=$?
events_ok=0
wait "$events" || events_ok=$?
cat "$work/pages.log" "$work/events.log"
[ "$pages_ok" -eq 0 ] || fail "page requests failed during the loss of replicas"
[ "$events_ok" -eq 0 ] || fail "no usage event was acknowledged"

export PGPASSFILE=$work/c/pg/pgpass
uri=$(cat "$work/c/events")
psql_events() { psql -X -q -A -t "$uri" -c "$1"; }
psql_events "SELECT text, count(*) FROM events WHERE text LIKE 'CLICK,run1-%' GROUP BY text" \
    >"$work/stored"
while read -r text; do
    grep -qxF "$text|1" "$work/stored" || fail "acknowledged event $text stored $(grep -F "$text|" "$work/stored" || echo 0) times"
done <"$work/acks"
! grep -v '|1$' "$work/stored" || fail "events stored twice"
echo "events: $(wc -l <"$work/acks") acknowledged, each stored once"

# A replica serving another statistics file is refused.
cp "$db" "$work/other.db"
printf 'x' >>"$work/other.db"
if "$cluster" add "$work/c" --db "$work/other.db" >"$work/add.log" 2>&1; then
    fail "a replica with another statistics file was added"
fi
grep -q "digest" "$work/add.log" || fail "no digest in the refusal: $(cat "$work/add.log")"
rm -f "$work/other.db"
"$cluster" add "$work/c" >/dev/null || fail "cannot add a replica"

# c) PostgreSQL stopped: events 503 with Retry-After, pages keep answering.
front=127.0.0.2:8461
[ "$(python3 "$clients" event "$front" "CLICK,before,http://cluster.test/,0")" = 200 ] ||
    fail "event before the database stopped not stored"
"$cluster" events-stop "$work/c"
for n in 1 2 3; do
    got=$(python3 "$clients" event "$front" "CLICK,down-$n,http://cluster.test/,0")
    [ "$got" = 503 ] || fail "event with the database stopped answered $got, not 503"
done
curl -s -D - -o /dev/null "http://$front/999addlog.asp?Q=CLICK,down-4,http://cluster.test/,0" |
    grep -qi '^Retry-After:' || fail "a 503 without Retry-After"
python3 "$clients" pages "$work/reference" 2 4 "$fronts" || fail "pages failed with the database stopped"
"$cluster" events-start "$work/c"
resumed=
for n in $(seq 60); do
    if [ "$(python3 "$clients" event "$front" "CLICK,after-$n,http://cluster.test/,0")" = 200 ]; then
        resumed=after-$n
        break
    fi
    sleep 0.5
done
[ -n "$resumed" ] || fail "events did not resume once the database was back"
[ "$(psql_events "SELECT count(*) FROM events WHERE text = 'CLICK,$resumed,http://cluster.test/,0'")" = 1 ] ||
    fail "the resumed event is not stored once"
[ "$(psql_events "SELECT count(*) FROM events WHERE text LIKE 'CLICK,down-%'")" = 0 ] ||
    fail "an event answered 503 was stored"
PGPASSFILE=$PGPASSFILE "$bbstatsd" usage --events "$uri" | grep -q '^http://cluster.test/' ||
    fail "bbstatsd usage does not read the shared table"
echo "PASS"
