#!/usr/bin/env bash
# The cluster on loopback (deploy/cluster: 3 replicas, PostgreSQL, HAProxy on the client's three
# mirror addresses), in a network namespace of its own so that the addresses are free:
#  a) 8 page readers for 10 s, one replica killed (SIGKILL) after 3 s and another stopped
#     (SIGTERM) after 6 s: no failed request, every reply byte-identical to a single service's;
#  b) meanwhile 4 senders of usage events: every event acknowledged with 200 is in PostgreSQL
#     exactly once, and none is there twice;
#  c) PostgreSQL stopped: events get 503, pages keep answering; started again: events resume;
#  d) events with forged X-Forwarded-For headers through the balancer are stored under the
#     sender's real address, and its per-address bound refuses them as without the header;
#  e) PostgreSQL hung (SIGSTOP, a partition without a reset): events get 503 within a few
#     seconds, a replica stops within its drain bound, and nothing answered 503 is stored;
#  f) the events bound is the shared table's: a replica given a smaller one deletes nothing;
#  g) down signals only processes that are still its replicas (a decoy takes a dead one's PID).
# Also: a replica serving a different statistics file is refused, and the balancer cuts a
# request whose header trickles in.
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
decoy=

finish() {
    [ -z "$single" ] || kill "$single" 2>/dev/null || true
    [ -z "$decoy" ] || kill "$decoy" 2>/dev/null || true
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
    --events-max-mb 2 >"$work/up.log" || fail "cluster up: $(cat "$work/up.log")"
cat "$work/up.log"
status=$("$cluster" status "$work/c")
[ "$(grep -c ' ready$' <<<"$status")" -eq 3 ] || fail "not 3 ready replicas: $status"
grep -q "^balancer $fronts [0-9]" <<<"$status" || fail "no balancer line: $status"
grep -q '^events postgresql://bbstats@127.0.0.1:.* up$' <<<"$status" || fail "no events line: $status"
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

# The balancer gives a request's header 5 s, as a replica does.
[ "$(python3 "$clients" trickle "$front" 20)" = cut ] || fail "a trickled request was not cut"

# d) Forged X-Forwarded-For: one sender, each event naming another address.
forged=$(python3 "$clients" forged "$front" 127.0.0.77 forged 90 6)
echo "forged events: $forged"
grep -q '429=' <<<"$forged" || fail "forged addresses escaped the per-address bound: $forged"
[ "$(psql_events "SELECT string_agg(DISTINCT address, ',') FROM events WHERE text LIKE 'CLICK,forged-%'")" = 127.0.0.77 ] ||
    fail "forged events stored under other addresses: $(psql_events "SELECT DISTINCT address FROM events WHERE text LIKE 'CLICK,forged-%'")"

# e) The database hung: every process of the PostgreSQL cluster stopped (SIGSTOP).
postmaster=$(head -1 "$work/c/pg/data/postmaster.pid")
pg_pids=("$postmaster" $(pgrep -P "$postmaster"))
kill -STOP "${pg_pids[@]}"
resume_pg() { kill -CONT "${pg_pids[@]}" 2>/dev/null || true; }
trap 'resume_pg; finish' EXIT
status=$("$cluster" status "$work/c")
grep -q '^events .* down$' <<<"$status" || fail "status does not report the hung database down: $status"
for n in 1 2 3; do
    # The client gives up on an event after 3 s; the generous limit here is 8 s.
    got=$(python3 "$clients" event "$front" "CLICK,hung-$n,http://cluster.test/,0" 8)
    [ "$got" = 503 ] || fail "event with the database hung answered $got, not 503"
done
python3 "$clients" pages "$work/reference" 2 4 "$fronts" || fail "pages failed with the database hung"
status=$("$cluster" status "$work/c")
victim=$(awk '/^replica .* ready$/ {print $3; exit}' <<<"$status")
[ -n "$victim" ] || fail "no ready replica to stop"
kill -TERM "$victim"
for _ in $(seq 400); do
    kill -0 "$victim" 2>/dev/null || break
    sleep 0.1
done
# The drain bound is 30 s; what is left of the 40 s is for the stop itself.
! kill -0 "$victim" 2>/dev/null || fail "a replica did not stop within 40 s with the database hung"
resume_pg
resumed=
for n in $(seq 60); do
    if [ "$(python3 "$clients" event "$front" "CLICK,thawed-$n,http://cluster.test/,0")" = 200 ]; then
        resumed=thawed-$n
        break
    fi
    sleep 0.5
done
[ -n "$resumed" ] || fail "events did not resume once the database answered again"
[ "$(psql_events "SELECT count(*) FROM events WHERE text LIKE 'CLICK,hung-%'")" = 0 ] ||
    fail "an event answered 503 while the database hung was stored"

# f) The bound of the shared table (2 MB, from up) holds whatever a replica is given.
[ "$(psql_events "SELECT value FROM counters WHERE name = 'bound'")" = 2097152 ] ||
    fail "the events table's bound is not the one given to up"
small=127.0.0.1:18499
PGPASSFILE=$PGPASSFILE "$bbstatsd" serve --db "$db" --listen "$small" --events "$uri" \
    --events-max-mb 1 --trusted-proxy 127.0.0.1 >"$work/small.log" 2>&1 &
single=$!
for _ in $(seq 1200); do
    curl -s "$small/healthz" | grep -q '^ready' && break
    kill -0 "$single" || fail "the replica with a small bound ended: $(cat "$work/small.log")"
    sleep 0.25
done
grep -q 'keeps its bound of 2097152 bytes' "$work/small.log" ||
    fail "no word of the table's bound: $(cat "$work/small.log")"
# The table holds 1.5 MB by its count: past the replica's bound, within the table's.
psql_events "UPDATE counters SET value = 1572864 WHERE name = 'bytes'"
before=$(psql_events "SELECT count(*) FROM events")
[ "$(python3 "$clients" event "$small" "CLICK,small-1,http://cluster.test/,0")" = 200 ] ||
    fail "the replica with a small bound did not store an event"
[ "$(psql_events "SELECT count(*) FROM events")" = $((before + 1)) ] &&
    [ "$(psql_events "SELECT value FROM counters WHERE name = 'dropped'")" = 0 ] ||
    fail "a replica with a smaller bound deleted events the others stored"
# Past the table's bound the oldest tenth goes, whichever replica stores.
psql_events "UPDATE counters SET value = 3145728 WHERE name = 'bytes'"
[ "$(python3 "$clients" event "$small" "CLICK,small-2,http://cluster.test/,0")" = 200 ] ||
    fail "the replica with a small bound did not store an event"
[ "$(psql_events "SELECT value FROM counters WHERE name = 'dropped'")" -gt 0 ] ||
    fail "nothing was deleted past the table's bound"
kill -TERM "$single"
wait "$single" || true
single=

# g) down: the replica killed at the start left its PID behind; a decoy now holds a PID of its
# own in that line, as a PID the system handed to another process.
sleep 600 &
decoy=$!
sed -i "s|^\([^ ]*\) ${pids[0]} |\1 $decoy |" "$work/c/replicas"
grep -q " $decoy " "$work/c/replicas" || fail "the decoy is not in the replicas file"
status=$("$cluster" status "$work/c")
grep -q "^replica [^ ]* $decoy down$" <<<"$status" || fail "status takes the decoy for a replica: $status"
live=($(awk '/^replica .* ready$/ {print $3}' <<<"$status"))
"$cluster" down "$work/c"
kill -0 "$decoy" 2>/dev/null || fail "down signalled a process that is not a replica"
kill "$decoy"
decoy=
for pid in "${live[@]}"; do
    ! kill -0 "$pid" 2>/dev/null || fail "down left replica $pid running"
done
echo "PASS"
