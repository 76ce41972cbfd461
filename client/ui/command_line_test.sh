#!/bin/bash
# KorwendoGra's command line as a person would meet it: --version, bad options (status 2,
# one sentence on standard error) and a start without a display (status 1, what to do).
set -u
bin=$1
version=$2
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
failed=0
check() {
  local want=$1 text=$2
  shift 2
  env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM timeout 30 "$bin/KorwendoGra" --config "$dir/cfg" "$@" \
    </dev/null >"$dir/out" 2>"$dir/err"
  local got=$?
  if [ "$got" != "$want" ] || ! grep -qxF -- "$text" "$dir/err" "$dir/out"; then
    echo "KorwendoGra $*: status $got (want $want)"; cat "$dir/out" "$dir/err"; failed=1
  fi
}
check 0 "KorwendoGra $version" --version
check 2 "KorwendoGra: nieznana opcja --bogus; zobacz KorwendoGra --help" --bogus
check 2 "KorwendoGra: --at działa tylko z --station; zobacz KorwendoGra --help" --at 2026-01-01T00:00:00Z
check 2 "KorwendoGra: stacja \"Zegar\" bez serwera: podaj NAZWA@HOST[:PORT] albo jeden --server; zobacz KorwendoGra --help" \
  --station Zegar --server a:1 --server b:2
# A link in place of --station and --at: a malformed one, or one with those options, is refused.
check 2 "KorwendoGra: zły link \"korwendo://h/Zegar\": brak czasu (?t=CZAS); zobacz KorwendoGra --help" \
  korwendo://h/Zegar
check 2 "KorwendoGra: zły link \"korwendo://h:99999/Zegar?t=2026-12-10T08:30:00Z\": port spoza zakresu 1-65535; zobacz KorwendoGra --help" \
  korwendo://h:99999/Zegar?t=2026-12-10T08:30:00Z
check 2 "KorwendoGra: zły link \"Zegar\": to nie jest link korwendo://; zobacz KorwendoGra --help" Zegar
check 2 "KorwendoGra: link zastępuje --station i --at: podaj link albo te opcje; zobacz KorwendoGra --help" \
  --station Zegar@h korwendo://h/Zegar?t=2026-12-10T08:30:00Z
check 2 "KorwendoGra: nieoczekiwany argument \"b\"; zobacz KorwendoGra --help" a b
check 1 "KorwendoGra: nie ma ekranu: ani DISPLAY, ani WAYLAND_DISPLAY nie jest ustawione; uruchom KorwendoGra w sesji graficznej albo graj bez okna: korwendo-play"
# A good link passes the command line (the start then stops for want of a display).
check 1 "KorwendoGra: nie ma ekranu: ani DISPLAY, ani WAYLAND_DISPLAY nie jest ustawione; uruchom KorwendoGra w sesji graficznej albo graj bez okna: korwendo-play" \
  "korwendo://[::1]:2000/Radio%20%C5%81%C3%B3d%C5%BA?t=2026-12-10T08:30:00Z"
# One window per user and settings: a second start hands its link to the running window and
# exits 0 at once; the running one goes there, so that the position it saves at exit is the
# link's station (on a real demo server, so that the station is taken).
run="$dir/run"
mkdir -m 700 "$run"
"$bin/korwendo-server" --demo --archive "$dir/archive" --listen 127.0.0.1:0 >"$dir/server" 2>&1 &
server=$!
port=
for _ in $(seq 100); do
  port=$(sed -n 's/.*listening on 127\.0\.0\.1:\([0-9]*\).*/\1/p' "$dir/server" | head -1)
  [ -n "$port" ] && break
  sleep 0.2
done
# Run in a subshell, which it replaces, so that a signal to the subshell reaches the window.
one() {
  exec env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=offscreen KORWENDO_AUDIO=null XDG_RUNTIME_DIR="$run" \
    timeout 60 "$bin/KorwendoGra" --config "$dir/one" "$@"
}
if [ -z "$port" ]; then
  echo "the demo server did not start"; cat "$dir/server"; failed=1
else
  one --station "Zegar@127.0.0.1:$port" >"$dir/first" 2>&1 &
  first=$!
  for _ in $(seq 100); do
    [ -n "$(find "$run" -type s 2>/dev/null)" ] && break
    sleep 0.1
  done
  start=$(date +%s%N)
  (one "korwendo://127.0.0.1:$port/Dw%C3%B3jka?t=2026-01-01T10:00:00Z") >"$dir/second" 2>&1
  got=$?
  took=$(( ($(date +%s%N) - start) / 1000000 ))
  if [ "$got" != 0 ] || [ "$took" -gt 10000 ]; then
    echo "a second start: status $got after $took ms (want 0, at once)"; cat "$dir/second"; failed=1
  fi
  # The running window plays the link's station: its title names it once the server took it.
  sleep 3
  kill -TERM "$first"
  wait "$first" || { echo "the first window ended with status $?"; cat "$dir/first"; failed=1; }
  if ! iconv -f WINDOWS-1250 -t UTF-8 "$dir/one/KorwendoGraU.ini" | grep -q "^Name=Dwójka@127.0.0.1:$port"; then
    echo "the running window did not go to the link:"; cat "$dir/one/KorwendoGraU.ini"; failed=1
  fi
fi
kill "$server" 2>/dev/null
wait "$server" 2>/dev/null
# Nothing was taken for a crash.
[ ! -e "$bin/KorwendoGra.debug.log" ] || { echo "a crash report was written"; failed=1; }
exit $failed
