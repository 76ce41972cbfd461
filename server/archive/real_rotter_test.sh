#!/bin/bash
# Against the real logger: records short archives with Rotter itself (the project's
# rotter-fixture tool: Debian's rotter on a private dummy JACK server, playing the demo
# time code across an hour boundary) and checks that the archive places every file where
# its time code says it starts and plays across the files on time (ArchiveTest.RealRotterArchive).
# Exits 77 (skipped) when the tool is not beside the project.
#   real_rotter_test.sh ARCHIVE_TEST_BINARY FIXTURE_TOOL
set -u
test_bin=$1
tool=$2
[ -x "$tool" ] || [ -f "$tool" ] || { echo "no rotter-fixture tool at $tool"; exit 77; }
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
# Rotter 0.9 as packaged writes MP3 and the PCM formats (no MP2). Each case: layout,
# format, Rotter's zone, the hour boundary (empty: the current hour; in Europe/Warsaw
# 2026-10-25T01:00Z, when 03:00 summer time becomes 02:00 winter time and Rotter writes on
# into the file named 02, and 2026-03-29T01:00Z, when 02:00 winter time becomes 03:00).
cases=("combo mp3 UTC -" "flat mp3 Europe/Warsaw 1792890000" "dailydir wav UTC -" "flat mp3 Europe/Warsaw 1774746000")
recorded=0
for case in "${cases[@]}"; do
  set -- $case
  boundary=$4
  [ "$boundary" = - ] && boundary=
  out="$dir/$1-$2-${3//\//-}"
  echo "== Rotter, layout $1, format $2, zone $3${boundary:+, boundary $boundary}"
  # The recording is real time: on a busy machine JACK drops cycles, and the time code no
  # longer runs with the clock that Rotter stamps its files by. Such a recording proves
  # nothing about the archive, so it is made again, and the case skipped if it stays so.
  good=
  for attempt in 1 2 3; do
    if ! ROTTER_FIXTURE_TZ=$3 ROTTER_FIXTURE_BOUNDARY=$boundary bash "$tool" "$out" 40 "$1" "$2"; then
      echo "FAIL: rotter-fixture could not record layout $1 format $2"
      exit 1
    fi
    manifest="$out/.rotter-fixture"
    drift=$(sed -n 's/.*drift <= \([0-9.]*\) ms.*/\1/p' "$manifest")
    if grep -q "code_consistent=False" "$manifest" || awk -v d="${drift:-999}" 'BEGIN { exit !(d > 5) }'; then
      echo "recording disturbed (time code inconsistent or JACK drifted ${drift:-?} ms), attempt $attempt"
      continue
    fi
    good=1
    break
  done
  if [ -z "$good" ]; then
    echo "SKIP: no undisturbed recording of layout $1 format $2 zone $3 on this machine"
    continue
  fi
  recorded=$((recorded + 1))
  KG_ROTTER_FIXTURE="$out" KG_ROTTER_FIXTURE_TZ=$3 "$test_bin" --gtest_filter=ArchiveTest.RealRotterArchive || exit 1
done
[ $recorded -gt 0 ] || { echo "no undisturbed recording"; exit 77; }
echo OK
