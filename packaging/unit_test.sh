#!/usr/bin/env bash
# The systemd unit of korwendo-server as written for this build (ExecStart naming the
# build's executable): `systemd-analyze verify` finds nothing to say about it, and it
# asks for the readiness and watchdog the server gives. Exit 77 (skipped) without
# systemd-analyze.
# Usage: unit_test.sh UNIT_TEMPLATE SERVER_EXECUTABLE
set -euo pipefail
template=$1
server=$2

fail() { echo "FAIL: $*" >&2; exit 1; }

if ! command -v systemd-analyze >/dev/null 2>&1; then
  echo "SKIP: systemd-analyze is not installed (Debian package systemd)"
  exit 77
fi
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
unit=$tmp/korwendo-server.service
sed "s|@KG_SERVER_EXECUTABLE@|$server|" "$template" >"$unit"
grep -q '@KG_' "$unit" && fail "a placeholder is left in the unit: $(grep '@KG_' "$unit")"

for line in Type=notify NotifyAccess=main WatchdogSec=30s; do
  grep -qx "$line" "$unit" || fail "the unit lacks $line"
done

# verify only warns (status 0) about a value it cannot parse: whatever it says about this
# unit is a failure. The manual page is checked by the package's own test.
if ! out=$(cd "$tmp" && SYSTEMD_LOG_COLOR=0 systemd-analyze verify --man=no korwendo-server.service 2>&1) ||
   grep -q 'korwendo-server' <<<"$out"; then
  fail "systemd-analyze verify: $out"
fi
echo "PASS: systemd-analyze verify korwendo-server.service"
