#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, and only those that are
# missing: `apt-get update` runs only when something has to be installed. Idempotent.
set -euo pipefail

packages=(
  build-essential cmake pkg-config clang libclang-rt-14-dev
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  qt6-base-dev libmpg123-dev libpulse-dev libmp3lame-dev libtwolame-dev
  # the time stretcher of playing at a speed other than 1x (docs/decisions.md)
  librubberband-dev
  # the server's HTTP endpoint for metrics and health, and its readiness and watchdog for
  # systemd (sd_notify)
  libcivetweb-dev libsystemd-dev
  pulseaudio pulseaudio-utils mpg123 lame twolame sox
  fonts-liberation tzdata locales
  # the time axis and digit panels under a real X server, driven by real X input
  xvfb xauth xdotool openbox
  # Qt's own texts (dialog buttons) in Polish
  qt6-translations-l10n
  # the test against archives recorded by the real Rotter logger (shared/tools/rotter-fixture)
  rotter jackd2 libfaketime libjack-jackd2-dev libc6-dev python3
  # the Debian package (make package) and its checks: dpkg-shlibdeps, lintian, the desktop
  # entry's validator, the manual pages' formatter, and systemd-analyze for the unit (the
  # systemd package only installs it here: nothing starts while PID 1 is another program)
  dpkg-dev file lintian desktop-file-utils man-db systemd
  # promtool, which checks the server's metrics as Prometheus would read them
  prometheus
  # the picture of the layers (make architecture)
  graphviz
  # the load balancer in front of two servers in the failover test (docs/fleet.md)
  haproxy
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi

if [ ${#missing[@]} -gt 0 ]; then
  echo "install-deps: installing ${missing[*]}"
  "${sudo_cmd[@]}" apt-get update
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
fi

# The Polish locale gives the tests real regional month and weekday names.
if ! locale -a 2>/dev/null | grep -qi '^pl_PL\.utf-\?8$'; then
  echo "install-deps: generating the pl_PL.UTF-8 locale"
  "${sudo_cmd[@]}" localedef -i pl_PL -f UTF-8 pl_PL.UTF-8 || echo "install-deps: could not generate pl_PL.UTF-8; tests that need it are skipped"
fi
