#!/bin/bash
# End to end: korwendo-play plays the demo server's station Zegar on the null output for a
# few seconds, prints advancing playing times, records what it played and exits 0; a link
# to a moment plays that station from that moment; an
# unknown station and an unreachable server end it with a non-zero status.
set -u
bin=$1
dir=$(mktemp -d)
srv=
trap '[ -n "$srv" ] && kill $srv 2>/dev/null; wait 2>/dev/null; rm -rf "$dir"' EXIT
fail() { echo "FAIL: $*"; echo "--- player output:"; cat "$dir/out" 2>/dev/null; exit 1; }

"$bin/korwendo-server" --demo --archive "$dir/archive" --listen 127.0.0.1:0 2>"$dir/server.log" &
srv=$!
port=
for _ in $(seq 200); do
  port=$(sed -n 's/.*listening on 127\.0\.0\.1:\([0-9][0-9]*\).*/\1/p' "$dir/server.log")
  [ -n "$port" ] && break
  sleep 0.1
done
[ -n "$port" ] || { cat "$dir/server.log"; fail "server did not start"; }
# The backlog is written newest piece first (pieces of 8 minutes); on a busy machine that
# takes a while. Wait for the two newest, which hold the moment played, and for the
# server's next look at the archive.
pieces() { find "$dir/archive/Zegar" -name '[0-9]*.mp3' 2>/dev/null | wc -l; }
for _ in $(seq 900); do
  [ "$(pieces)" -ge 2 ] && break
  sleep 0.1
done
[ "$(pieces)" -ge 2 ] || fail "the backlog was not written in 90 s"
sleep 2

at=$(date -u -d '-3 minutes' +%Y-%m-%dT%H:%M:%SZ)
"$bin/korwendo-play" --config "$dir/cfg" --server "127.0.0.1:$port" --station Zegar --at "$at" \
  --seconds 6 --audio null --capture "$dir/heard.wav" </dev/null >"$dir/out" 2>&1
rc=$?
[ $rc -eq 0 ] || fail "exit status $rc"
grep -qx "connection: connected" "$dir/out" || fail "no connection line"
grep -qx "station: Zegar" "$dir/out" || fail "no station announcement"
mapfile -t times < <(grep -E '^time [0-9]{4}-[0-9]{2}-[0-9]{2}T[0-9]{2}:[0-9]{2}:[0-9]{2}\.[0-9]{3}Z$' "$dir/out")
[ ${#times[@]} -ge 4 ] || fail "fewer than 4 playing times"
[[ "${times[-1]}" > "${times[0]}" ]] || fail "the playing time did not advance"
[[ "${times[0]}" > "time ${at%Z}" || "${times[0]}" == "time ${at%Z}.000Z" ]] || fail "started before $at"
[ "$(stat -c %s "$dir/heard.wav")" -gt 46 ] || fail "nothing recorded in the capture"

# A link in place of --server, --station and --at, the station's name percent-encoded.
"$bin/korwendo-play" --config "$dir/cfg" "korwendo://127.0.0.1:$port/Dw%C3%B3jka?t=$at" \
  --seconds 4 --audio null </dev/null >"$dir/out" 2>&1
rc=$?
[ $rc -eq 0 ] || fail "exit status $rc with a link"
grep -qx "station: Dwójka" "$dir/out" || fail "the link's station was not played"
first=$(grep -m1 -E '^time 2' "$dir/out")
[[ "$first" > "time ${at%Z}" || "$first" == "time ${at%Z}.000Z" ]] || fail "the link's moment was not kept ($first)"
[[ "$first" < "time $(date -u -d "$at + 30 seconds" +%Y-%m-%dT%H:%M:%S)" ]] || fail "the link's moment was not kept ($first)"

"$bin/korwendo-play" --config "$dir/cfg" --server "127.0.0.1:$port" --station Brak \
  --seconds 6 --audio null </dev/null >"$dir/out" 2>&1 && fail "unknown station exited 0"
grep -q "error nieznana stacja Brak" "$dir/out" || fail "no message for the unknown station"

"$bin/korwendo-play" --config "$dir/cfg" --server "127.0.0.1:$port" --list >"$dir/out" 2>&1 ||
  fail "--list failed"
grep -q "Zegar@127.0.0.1:$port" "$dir/out" || fail "--list lacks Zegar"

# A lost connection is retried every 5 s and playing goes on from the position reached.
"$bin/korwendo-play" --config "$dir/cfg" --server "127.0.0.1:$port" --station Zegar --at "$at" \
  --seconds 16 --audio null </dev/null >"$dir/out" 2>&1 &
player=$!
sleep 4
kill $srv; wait $srv 2>/dev/null
"$bin/korwendo-server" --demo --archive "$dir/archive" --listen "127.0.0.1:$port" 2>"$dir/server.log" &
srv=$!
wait $player || fail "exit status $? after a reconnection"
grep -qx "connection: connection lost" "$dir/out" || fail "the loss was not reported"
[ "$(grep -cx "connection: connected" "$dir/out")" -ge 2 ] || fail "no reconnection"
lost=$(grep -n -m1 -x "connection: connection lost" "$dir/out" | cut -d: -f1)
before=$(head -n "$lost" "$dir/out" | grep '^time 2' | tail -1)
after=$(tail -n 1 "$dir/out" | grep '^time 2')
[ -n "$before" ] && [ -n "$after" ] || fail "no playing times around the loss"
[[ "$after" > "$before" ]] || fail "playing did not go on after reconnecting ($before, $after)"

kill $srv; wait $srv 2>/dev/null; srv=
"$bin/korwendo-play" --config "$dir/cfg" --server "127.0.0.1:$port" --station Zegar \
  --seconds 6 --audio null </dev/null >"$dir/out" 2>&1 && fail "unreachable server exited 0"
grep -q "connection failed" "$dir/out" || fail "no message for the unreachable server"
echo OK
