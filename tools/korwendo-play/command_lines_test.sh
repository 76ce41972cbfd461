#!/bin/bash
# The command lines of korwendo-play, korwendo-server and korwendo-export, run as a person would: each case
# gives the exit status and the whole of standard error. Nothing a program prints on the
# terminal carries a source location; --help and --version print on standard output.
set -u
bin=$1
version=$2
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
export HOME=$dir XDG_CONFIG_HOME=$dir/config XDG_RUNTIME_DIR=$dir
mkdir -p "$dir/empty" "$dir/run"
cd "$dir/run" || exit 1
failed=0

# check STATUS EXPECTED-STDERR PROGRAM ARGUMENTS...
check() {
  local want=$1 text=$2
  shift 2
  timeout 60 "$bin/$@" </dev/null >"$dir/out" 2>"$dir/err"
  local rc=$?
  local err
  err=$(cat "$dir/err")
  if [ $rc -ne "$want" ] || [ "$err" != "$text" ]; then
    echo "FAIL: $*"
    echo "  status $rc, expected $want"
    echo "  stderr:   $err"
    echo "  expected: $text"
    failed=1
  fi
}

p="korwendo-play"
check 2 "$p: nieznana opcja --bogus; zobacz $p --help" $p --bogus
check 2 "$p: nieznana opcja -x; zobacz $p --help" $p --list -x
check 2 "$p: brak wartości opcji --server; zobacz $p --help" $p --server
check 2 "$p: zły link \"Zegar\": to nie jest link korwendo://; zobacz $p --help" $p --server h Zegar
check 2 "$p: link zastępuje --server, --station i --at: podaj link albo te opcje; zobacz $p --help" \
  $p --server h korwendo://h/Zegar?t=2026-12-10T08:30:00Z
check 2 "$p: zły link \"korwendo://h/Dw%C3jka?t=2026-12-10T08:30:00Z\": nazwa stacji nie jest poprawnym tekstem UTF-8; zobacz $p --help" \
  $p "korwendo://h/Dw%C3jka?t=2026-12-10T08:30:00Z"
check 2 "$p: nieoczekiwany argument \"x\"; zobacz $p --help" $p korwendo://h/Zegar?t=2026-12-10T08:30:00Z x
check 2 "$p: zły adres serwera \"10.0.0.5:99999\": port spoza zakresu 1-65535 (--server); zobacz $p --help" \
  $p --server 10.0.0.5:99999 --list
check 2 "$p: zły adres serwera \"[::1:2000\": brak nawiasu zamykającego adres IPv6 (--server); zobacz $p --help" \
  $p --server '[::1:2000' --list
# Links and addresses no server can be asked with are usage errors, refused before
# connecting (port 1 would refuse with status 1); a message quotes 200 characters at most.
long=$(head -c 130000 /dev/zero | tr '\0' x)
link="korwendo://127.0.0.1:1/$long?t=2026-12-10T08:30:00Z"
check 2 "$p: zły link \"${link:0:200}…\" (${#link} znaków): nazwa stacji ma 130000 znaków, a serwer przyjmuje najwyżej 16320; zobacz $p --help" \
  $p "$link" --audio null
check 2 "$p: zły link \"korwendo://user@127.0.0.1:1/Zegar?t=2026-12-10T08:30:00Z\": niedozwolony znak w nazwie hosta (litery, cyfry, -, . i _); zobacz $p --help" \
  $p "korwendo://user@127.0.0.1:1/Zegar?t=2026-12-10T08:30:00Z" --audio null
check 2 "$p: zły link \"korwendo://[v1.fe]/Zegar?t=2026-12-10T08:30:00Z\": to nie jest poprawny adres IPv6 (z portem: [ADRES]:PORT); zobacz $p --help" \
  $p "korwendo://[v1.fe]/Zegar?t=2026-12-10T08:30:00Z" --audio null
check 2 "$p: zły adres serwera \"127.0.0.1:1:1\": to nie jest poprawny adres IPv6 (z portem: [ADRES]:PORT) (--server); zobacz $p --help" \
  $p --server 127.0.0.1:1:1 --station Zegar --audio null
check 2 "$p: argument nr 4 nie jest poprawnym tekstem UTF-8 (bajty spoza UTF-8); zobacz $p --help" \
  $p --server 127.0.0.1:1 --station $'Zeg\xff\xfear' --audio null
check 2 "$p: nazwa stacji ma 130000 znaków, a serwer przyjmuje najwyżej 16320 w \"${long:0:200}…\" (130000 znaków); zobacz $p --help" \
  $p --server 127.0.0.1:1 --station "$long" --audio null
check 2 "$p: zła liczba sekund \"x\" (--seconds); zobacz $p --help" $p --server h --seconds x
check 2 "$p: zły czas: jutro (--at); zobacz $p --help" $p --server h --station Zegar --at jutro
check 2 "$p: --capture działa tylko z --audio null; zobacz $p --help" $p --server h --audio pulse --capture a.wav
check 2 "$p: brak serwerów do zapytania; podaj --server HOST[:PORT] albo --config KATALOG z plikiem KorwendoGra.ini" \
  $p --config "$dir/empty" --list
# Nothing listens on port 1 of the loopback.
check 1 "$p: nie można połączyć się z serwerem 127.0.0.1:1 (Connection refused); sprawdź, czy działa tam korwendo-server i czy adres jest dobry" \
  $p --config "$dir/empty" --server 127.0.0.1:1 --station Zegar --audio null --seconds 20
check 1 "$p: nie można połączyć się z serwerem 127.0.0.1:1 (Connection refused); sprawdź, czy działa tam korwendo-server i czy adres jest dobry" \
  $p --config "$dir/empty" "korwendo://127.0.0.1:1/Radio%20%C5%81%C3%B3d%C5%BA?t=2026-12-10T08:30:00Z" --audio null --seconds 20
check 1 "$p: żaden serwer nie odpowiedział; sprawdź, czy działa tam korwendo-server i czy adresy są dobre" \
  $p --config "$dir/empty" --server 127.0.0.1:1 --list
check 0 "" $p --help
grep -q "^usage: $p " "$dir/out" || { echo "FAIL: $p --help printed no usage"; failed=1; }
check 0 "" $p --version
[ "$(cat "$dir/out")" = "$p $version" ] || { echo "FAIL: $p --version: $(cat "$dir/out")"; failed=1; }

s="korwendo-server"
check 2 "$s: podaj --config PLIK albo --demo --archive KATALOG; zobacz $s --help" $s
check 2 "$s: nieznana opcja --port; zobacz $s --help" $s --port 5 --config x
check 2 "$s: --demo wymaga --archive KATALOG; zobacz $s --help" $s --demo
check 2 "$s: --demo i --config wykluczają się; zobacz $s --help" $s --demo --config x --archive y
check 2 "$s: zły adres serwera \"h:x\": port nie jest liczbą (--listen); zobacz $s --help" $s --listen h:x --config x
check 1 "$s: nie można czytać pliku stacji $dir/none: No such file or directory; podaj w --config istniejący plik" \
  $s --config "$dir/none"
check 1 "$s: plik stacji $dir jest katalogiem; podaj w --config plik stacji" $s --config "$dir"
check 0 "" $s --help
grep -q "^usage: $s " "$dir/out" || { echo "FAIL: $s --help printed no usage"; failed=1; }
check 0 "" $s --version
[ "$(cat "$dir/out")" = "$s $version" ] || { echo "FAIL: $s --version: $(cat "$dir/out")"; failed=1; }

e="korwendo-export"
ok="--server h --station Zegar --from 2026-12-10T08:00:00Z --to 2026-12-10T08:10:00Z"
check 2 "$e: brak --server; zobacz $e --help" $e --station Zegar --from 2026-12-10T08:00:00Z --to 2026-12-10T08:10:00Z
check 2 "$e: brak --station; zobacz $e --help" $e --server h --from 2026-12-10T08:00:00Z --to 2026-12-10T08:10:00Z
check 2 "$e: brak --from i --to; zobacz $e --help" $e --server h --station Zegar
check 2 "$e: każdy --from potrzebuje swojego --to (2 --from, 1 --to); zobacz $e --help" \
  $e $ok --from 2026-12-10T09:00:00Z
check 2 "$e: przedział 2026-12-10T08:10:00Z - 2026-12-10T08:00:00Z nie kończy się po swoim początku; zobacz $e --help" \
  $e --server h --station Zegar --from 2026-12-10T08:10:00Z --to 2026-12-10T08:00:00Z
check 2 "$e: zły czas: jutro (--from); zobacz $e --help" $e --server h --station Zegar --from jutro --to 2026-12-10T08:00:00Z
check 2 "$e: pusta nazwa pliku --output; zobacz $e --help" $e $ok --output ""
# A station given alone is a name: the server is --server's.
check 2 "$e: znak @ w nazwie stacji \"x@127.0.0.2\" (--station; serwer podaje --server); zobacz $e --help" \
  $e --server 127.0.0.1:1 --station x@127.0.0.2 --from 2026-12-10T08:00:00Z --to 2026-12-10T08:10:00Z
check 2 "$e: zły link \"korwendo://user@127.0.0.1:1/Zegar?t=2026-12-10T08:00:00Z\": niedozwolony znak w nazwie hosta (litery, cyfry, -, . i _); zobacz $e --help" \
  $e "korwendo://user@127.0.0.1:1/Zegar?t=2026-12-10T08:00:00Z" --to 2026-12-10T08:10:00Z
check 2 "$e: link potrzebuje jednego --to (0 --to); zobacz $e --help" $e korwendo://h/Zegar?t=2026-12-10T08:00:00Z
check 2 "$e: link zastępuje --server, --station i --from: podaj link albo te opcje; zobacz $e --help" \
  $e korwendo://h/Zegar?t=2026-12-10T08:00:00Z $ok
check 2 "$e: zły link \"korwendo://h:0/Zegar?t=2026-12-10T08:00:00Z\": port spoza zakresu 1-65535; zobacz $e --help" \
  $e korwendo://h:0/Zegar?t=2026-12-10T08:00:00Z --to 2026-12-10T08:10:00Z
check 1 "$e: nie można połączyć się z serwerem 127.0.0.1:1 (Connection refused); sprawdź, czy działa tam korwendo-server i czy adres jest dobry" \
  $e korwendo://127.0.0.1:1/Zegar?t=2026-12-10T08:00:00Z --to 2026-12-10T08:10:00Z
check 1 "$e: nie można połączyć się z serwerem 127.0.0.1:1 (Connection refused); sprawdź, czy działa tam korwendo-server i czy adres jest dobry" \
  $e --server 127.0.0.1:1 --station Zegar --from 2026-12-10T08:00:00Z --to 2026-12-10T08:10:00Z
check 0 "" $e --help
grep -q "^usage: $e " "$dir/out" || { echo "FAIL: $e --help printed no usage"; failed=1; }
check 0 "" $e --version
[ "$(cat "$dir/out")" = "$e $version" ] || { echo "FAIL: $e --version: $(cat "$dir/out")"; failed=1; }
# No export file is left behind by a failed export (the server's log directory may be there).
[ -z "$(ls "$dir/run" | grep -v '^log$')" ] || { echo "FAIL: files left in the current directory: $(ls "$dir/run")"; failed=1; }

[ $failed -eq 0 ] && echo OK
exit $failed
