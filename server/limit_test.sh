#!/usr/bin/env bash
# korwendo-server's descriptor limit at start: raised to fit the connections the station
# file sets (`polaczen`) plus the server's own descriptors; where the system's hard limit
# is lower and the process may not raise it, one sentence says what it serves instead, and
# it serves.
# Usage: limit_test.sh SERVER_EXECUTABLE
set -euo pipefail
server=$1

fail() { echo "FAIL: $*" >&2; exit 1; }
command -v prlimit >/dev/null 2>&1 || { echo "SKIP: prlimit is not installed"; exit 77; }

tmp=$(mktemp -d)
srv=
cleanup() {
  [ -n "$srv" ] && kill "$srv" 2>/dev/null || true
  rm -rf "$tmp"
}
trap cleanup EXIT
mkdir -p "$tmp/zegar"
printf 'polaczen = 2000\n[Zegar]\nkatalog = %s/zegar\n' "$tmp" >"$tmp/stations.ini"

# start NAME [WRAPPER...]: the server under the wrapper, its standard error in NAME.err,
# until it listens.
start() {
  local name=$1
  shift
  "$@" "$server" --listen 127.0.0.1:0 --config "$tmp/stations.ini" 2>"$tmp/$name.err" &
  srv=$!
  for _ in $(seq 200); do
    grep -q "listening on" "$tmp/$name.err" && return 0
    kill -0 "$srv" 2>/dev/null || break
    sleep 0.05
  done
  cat "$tmp/$name.err" >&2
  fail "$name: the server does not listen"
}
stop() {
  kill "$srv"
  wait "$srv" 2>/dev/null || true
  srv=
}
soft_limit() { awk '/^Max open files/ { print $4 }' "/proc/$srv/limits"; }

# A soft limit below the need and a hard one above it: raised to 2000 + 256, said nothing.
start room prlimit --nofile=1024:4096
[ "$(soft_limit)" = 2256 ] || fail "the soft limit is $(soft_limit), not 2256"
grep -q "plików naraz" "$tmp/room.err" && fail "a warning although the limit was reached: $(cat "$tmp/room.err")"
stop

# A hard limit of 1024 that the process may not raise (without CAP_SYS_RESOURCE, as any
# account but root): the sentence, and it serves 768.
wrap=(prlimit --nofile=1024:1024)
if [ "$(id -u)" = 0 ]; then
  command -v setpriv >/dev/null 2>&1 || { echo "SKIP: root without setpriv cannot be kept from raising the limit"; exit 77; }
  wrap=(setpriv --bounding-set=-sys_resource "${wrap[@]}")
fi
start short "${wrap[@]}"
expected="korwendo-server: system pozwala otworzyć najwyżej 1024 plików naraz, więc serwer obsłuży najwyżej 768 połączeń zamiast 2000 (polaczen); podnieś ten limit (LimitNOFILE= w jednostce systemd, ulimit -n w powłoce) albo zmniejsz polaczen w pliku stacji"
grep -qxF "$expected" "$tmp/short.err" || fail "no sentence about the limit: $(cat "$tmp/short.err")"
[ "$(soft_limit)" = 1024 ] || fail "the soft limit is $(soft_limit), not 1024"
port=$(sed -n 's/.*listening on 127.0.0.1:\([0-9]*\).*/\1/p' "$tmp/short.err")
# It answers a station query meanwhile.
python3 - "$port" <<'PY' || fail "no station list from the server at its lower limit"
import socket, sys
s = socket.create_connection(("127.0.0.1", int(sys.argv[1])), timeout=5)
s.sendall(b"listabaz\n")
data = b""
while b"Zegar" not in data:
    chunk = s.recv(4096)
    if not chunk:
        break
    data += chunk
sys.exit(0 if b"Zegar" in data else 1)
PY
stop
echo OK
