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
# Rotter 0.9 as packaged writes MP3 and the PCM formats (no MP2).
for case in "flat mp3" "dailydir wav"; do
  set -- $case
  out="$dir/$1-$2"
  echo "== Rotter, layout $1, format $2"
  if ! bash "$tool" "$out" 40 "$1" "$2"; then
    echo "FAIL: rotter-fixture could not record layout $1 format $2"
    exit 1
  fi
  KG_ROTTER_FIXTURE="$out" "$test_bin" --gtest_filter=ArchiveTest.RealRotterArchive || exit 1
done
echo OK
