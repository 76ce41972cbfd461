#!/bin/bash
# The Debian package as Debian's own tools see it: built by CPack from the build tree,
# unpacked, its executables run, its desktop entry, manual pages and icon checked, lintian
# without errors, the systemd unit verified and its hardening measured, the example station
# file served. `cmake --install --prefix` is checked to name its own prefix in the unit.
# Every check runs; the failures are listed at the end. A check whose tool is missing is
# skipped with the reason (status 77, which ctest shows as skipped) unless another failed.
set -u
build=$1
version=$2
tmp=$(mktemp -d)
server=
trap '[ -n "$server" ] && kill "$server" 2>/dev/null; rm -rf "$tmp"' EXIT
export HOME=$tmp/home XDG_CONFIG_HOME=$tmp/home/.config
mkdir -p "$HOME"

failures=()
skipped=()
fail() { failures+=("$1"); echo "FAIL: $1"; }
skip() { skipped+=("$1"); echo "SKIP: $1"; }
have() { command -v "$1" >/dev/null 2>&1; }
finish() {
  if [ ${#failures[@]} -gt 0 ]; then
    printf 'failed: %s\n' "${failures[@]}"
    exit 1
  fi
  if [ ${#skipped[@]} -gt 0 ]; then
    printf 'skipped: %s\n' "${skipped[@]}"
    exit 77
  fi
  echo "debian_package: every check passed"
  exit 0
}

for tool in cpack dpkg-deb dpkg-shlibdeps; do
  if ! have "$tool"; then
    skip "$tool is not installed, so no package can be built (scripts/install-deps.sh installs it)"
    finish
  fi
done

# Packs what the build made; nothing is built here (preinstall does not depend on all).
if ! cpack --config "$build/CPackConfig.cmake" -B "$tmp/out" >"$tmp/cpack.log" 2>&1; then
  cat "$tmp/cpack.log"
  fail "cpack could not build the package (are the executables built?)"
  finish
fi
deb=$(ls "$tmp"/out/*.deb)
echo "built $(basename "$deb") ($(stat -c %s "$deb") bytes)"
root=$tmp/root
dpkg-deb -x "$deb" "$root" || { fail "dpkg-deb -x could not unpack the package"; finish; }

# The control fields: the version of the build, and dependencies found by dpkg-shlibdeps.
[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "the package's version is not $version"
[ "$(dpkg-deb -f "$deb" Section)" = sound ] || fail "the package's section is not sound"
case "$(dpkg-deb -f "$deb" Depends)" in
  *libqt6widgets6*libstdc++6*) ;;
  *) fail "the package's Depends lacks the libraries dpkg-shlibdeps finds: $(dpkg-deb -f "$deb" Depends)" ;;
esac

programs=(KorwendoGra korwendo-server korwendo-play korwendo-export)
files=(usr/lib/systemd/system/korwendo-server.service
       usr/share/applications/korwendogra.desktop
       usr/share/icons/hicolor/scalable/apps/korwendogra.svg
       usr/share/doc/korwendogra/copyright
       usr/share/doc/korwendogra/changelog.gz
       usr/share/doc/korwendogra/examples/stations.ini)
for p in "${programs[@]}"; do files+=("usr/bin/$p" "usr/share/man/man1/$p.1.gz"); done
for f in "${files[@]}"; do
  [ -f "$root/$f" ] || fail "the package lacks /$f"
done

# Each executable, stripped and unpacked, starts and names itself and the version.
for p in "${programs[@]}"; do
  out=$(env -u DISPLAY -u WAYLAND_DISPLAY timeout 20 "$root/usr/bin/$p" --version 2>&1 </dev/null)
  [ "$out" = "$p $version" ] || fail "$p --version printed \"$out\", not \"$p $version\""
done

# The manual pages format without a warning.
if have man; then
  for p in "${programs[@]}"; do
    warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$root/usr/share/man/man1/$p.1.gz" 2>&1 >/dev/null)
    [ -z "$warnings" ] || fail "man $p: $warnings"
  done
else
  skip "man is not installed: the manual pages were not formatted"
fi

# The desktop entry: valid, and the handler of korwendo:// links, whose link %u passes on.
desktop=$root/usr/share/applications/korwendogra.desktop
if have desktop-file-validate; then
  out=$(desktop-file-validate "$desktop" 2>&1) && [ -z "$out" ] || fail "desktop-file-validate: $out"
else
  skip "desktop-file-validate is not installed (desktop-file-utils)"
fi
grep -qx 'Exec=KorwendoGra %u' "$desktop" || fail "the desktop entry does not run KorwendoGra %u"
grep -qx 'MimeType=x-scheme-handler/korwendo;' "$desktop" || fail "the desktop entry does not handle korwendo:// links"
grep -qx 'Icon=korwendogra' "$desktop" || fail "the desktop entry does not name the icon korwendogra"

# The icon is an SVG document.
if ! python3 -c 'import sys, xml.etree.ElementTree as E
sys.exit(E.parse(sys.argv[1]).getroot().tag != "{http://www.w3.org/2000/svg}svg")' \
    "$root/usr/share/icons/hicolor/scalable/apps/korwendogra.svg"; then
  fail "the icon is not an SVG document"
fi

# lintian: no errors; its warnings are shown.
if have lintian; then
  lintian --tag-display-limit 0 "$deb" >"$tmp/lintian.log" 2>&1
  grep -E '^[EW]: ' "$tmp/lintian.log"
  if grep -q '^E: ' "$tmp/lintian.log"; then fail "lintian reports errors"; fi
else
  skip "lintian is not installed"
fi

# The unit runs the packaged server; verified against the unpacked root, whose executable
# and manual page it then names (verify checks both), with no running systemd needed.
unit=$root/usr/lib/systemd/system/korwendo-server.service
grep -qx 'ExecStart=/usr/bin/korwendo-server --config /etc/korwendo/stations.ini' "$unit" ||
  fail "the unit does not run /usr/bin/korwendo-server --config /etc/korwendo/stations.ini"
if have systemd-analyze; then
  mkdir -p "$tmp/units"
  sed "s|^ExecStart=/usr/bin/|ExecStart=$root/usr/bin/|" "$unit" >"$tmp/units/korwendo-server.service"
  if ! out=$(cd "$tmp/units" && MANPATH=$root/usr/share/man SYSTEMD_LOG_COLOR=0 \
             systemd-analyze verify korwendo-server.service 2>&1) ||
     grep -q 'korwendo-server' <<<"$out"; then
    fail "systemd-analyze verify: $out"
  fi
  # Exposure 0 (locked down) to 10 (open); the threshold is on a scale of 100.
  if ! out=$(cd "$tmp/units" && systemd-analyze security --offline=yes --threshold=20 korwendo-server.service 2>&1); then
    echo "$out" | grep '✗'
    fail "systemd-analyze security: the unit's exposure is above 2.0"
  fi
  grep 'Overall exposure' <<<"$out"
else
  skip "systemd-analyze is not installed (systemd)"
fi

# The example station file is one the packaged server serves.
mkdir -p "$tmp/run"
(cd "$tmp/run" && exec "$root/usr/bin/korwendo-server" --listen 127.0.0.1:0 \
   --config "$root/usr/share/doc/korwendogra/examples/stations.ini" 2>"$tmp/run/err") &
server=$!
for _ in $(seq 100); do
  grep -q 'listening on' "$tmp/run/err" 2>/dev/null && break
  kill -0 "$server" 2>/dev/null || break
  sleep 0.1
done
if grep -q 'listening on 127.0.0.1:' "$tmp/run/err"; then
  kill -TERM "$server"
  wait "$server"
  status=$?
  [ "$status" = 0 ] || fail "korwendo-server ended with status $status after SIGTERM"
else
  fail "korwendo-server did not serve the example station file: $(cat "$tmp/run/err")"
fi
server=

# `cmake --install --prefix` writes its own prefix into the unit.
if cmake --install "$build" --prefix "$tmp/opt" >"$tmp/install.log" 2>&1; then
  grep -qx "ExecStart=$tmp/opt/bin/korwendo-server --config /etc/korwendo/stations.ini" \
    "$tmp/opt/lib/systemd/system/korwendo-server.service" ||
    fail "cmake --install --prefix $tmp/opt: the unit does not run $tmp/opt/bin/korwendo-server"
else
  cat "$tmp/install.log"
  fail "cmake --install --prefix failed"
fi

finish
