#!/usr/bin/env bash
# korwendo-server under systemd, without systemd: a notification socket of the test's own
# (NOTIFY_SOCKET) receives READY=1 once the server listens, then WATCHDOG=1 with the
# players in STATUS= while the loop turns, and STOPPING=1 at SIGTERM; with JOURNAL_STREAM
# naming its standard error, every line there starts with the journal's priority ("<3>"
# for an error, "<4>" for a warning, "<6>" for information).
# Usage: systemd_test.sh SERVER_EXECUTABLE
set -euo pipefail
server=$1

fail() { echo "FAIL: $*" >&2; exit 1; }

command -v python3 >/dev/null 2>&1 || { echo "SKIP: python3 is not installed"; exit 77; }
tmp=$(mktemp -d)
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  rm -rf "$tmp"
}
trap cleanup EXIT

# A station whose archive is missing: its first look logs an error.
cat >"$tmp/stations.ini" <<INI
[Brak]
katalog = $tmp/brak
uklad = accurate
sufiks = mp3
INI

# The notification socket: each datagram is written out, one line per assignment.
python3 - "$tmp/notify" "$tmp/messages" <<'PY' &
import socket, sys
s = socket.socket(socket.AF_UNIX, socket.SOCK_DGRAM)
s.bind(sys.argv[1])
s.settimeout(30)
with open(sys.argv[2], "a", buffering=1) as out:
    while True:
        try:
            data = s.recv(4096)
        except socket.timeout:
            break
        for line in data.decode().splitlines():
            out.write(line + "\n")
PY
pids+=($!)
for _ in $(seq 100); do [ -S "$tmp/notify" ] && break; sleep 0.05; done
[ -S "$tmp/notify" ] || fail "the test's notification socket did not appear"

touch "$tmp/err"
stream=$(stat -c '%d:%i' "$tmp/err")
(cd "$tmp" && NOTIFY_SOCKET=$tmp/notify JOURNAL_STREAM=$stream \
   exec "$server" --listen 127.0.0.1:0 --config "$tmp/stations.ini" 2>>"$tmp/err") &
srv=$!
pids+=($srv)

wait_for() {  # wait_for FILE PATTERN: up to 10 s
  for _ in $(seq 200); do
    grep -q -- "$2" "$1" 2>/dev/null && return 0
    kill -0 "$srv" 2>/dev/null || break
    sleep 0.05
  done
  grep -q -- "$2" "$1" 2>/dev/null
}
wait_for "$tmp/messages" '^READY=1$' || fail "no READY=1; messages: $(cat "$tmp/messages"); stderr: $(cat "$tmp/err")"
grep -q '^STATUS=players 0' "$tmp/messages" || fail "no STATUS=players 0: $(cat "$tmp/messages")"
wait_for "$tmp/messages" '^WATCHDOG=1$' || fail "no WATCHDOG=1 from the loop: $(cat "$tmp/messages")"
wait_for "$tmp/err" '^<4>stacja Brak: ' || fail "the missing archive's warning is not at priority 4: $(cat "$tmp/err")"
# A failure to start is an error: the port is taken.
port=$(sed -n 's/^<6>korwendo-server listening on 127\.0\.0\.1:\([0-9]*\)$/\1/p' "$tmp/err")
touch "$tmp/err3"
stream3=$(stat -c '%d:%i' "$tmp/err3")
(cd "$tmp" && JOURNAL_STREAM=$stream3 "$server" --listen "127.0.0.1:$port" --config "$tmp/stations.ini" \
   2>>"$tmp/err3") && fail "a second server on port $port started"
grep -q '^<3>korwendo-server: ' "$tmp/err3" || fail "the failure to listen is not at priority 3: $(cat "$tmp/err3")"
kill -TERM "$srv"
status=0
wait "$srv" || status=$?
[ "$status" = 0 ] || fail "korwendo-server ended with status $status after SIGTERM"
grep -q '^STOPPING=1$' "$tmp/messages" || fail "no STOPPING=1: $(cat "$tmp/messages")"

grep -q '^<6>korwendo-server listening on 127\.0\.0\.1:' "$tmp/err" || fail "no '<6>... listening on': $(cat "$tmp/err")"
grep -q '^<6>korwendo-server kończy po sygnale 15' "$tmp/err" || fail "no '<6>... kończy po sygnale': $(cat "$tmp/err")"
if grep -v '^<[0-7]>' "$tmp/err"; then fail "the lines above lack a priority"; fi

# Without JOURNAL_STREAM (or with one naming another stream) the lines stay plain.
: >"$tmp/err2"
(cd "$tmp" && JOURNAL_STREAM=1:1 timeout 1 "$server" --listen 127.0.0.1:0 --config "$tmp/stations.ini" \
   2>"$tmp/err2") || true
grep -q '^korwendo-server listening on' "$tmp/err2" || fail "a foreign JOURNAL_STREAM changed the lines: $(cat "$tmp/err2")"
echo "PASS: readiness, watchdog, status and journal priorities"
