#!/bin/sh
# Runs the fuzz targets built in BUILD_DIR/bin for SECONDS each, one after the
# other, and prints each target's final executions, speed and coverage.
#
#   fuzz/run.sh BUILD_DIR SECONDS [TARGET...]     TARGET: model top tpo sms
#
# Each target starts from its seeds (fuzz/seeds/<target> plus, for the model
# and .top targets, the shipped examples) and keeps what it learns in
# BUILD_DIR/corpus/<target>, so a later run goes on where this one stopped.
# Inputs that crash, leak, hang or break a reader's promise in this run are
# written to BUILD_DIR/findings/<target>/ (emptied at the start) and the log to
# BUILD_DIR/logs/<target>.log. Exit status 0 when no target found anything,
# 1 otherwise, 64 on misuse.
set -u
[ $# -ge 2 ] || { echo "usage: $0 BUILD_DIR SECONDS [model|top|tpo|sms]..." >&2; exit 64; }
build=$(realpath "$1"); seconds=$2; shift 2
root=$(cd "$(dirname "$0")/.." && pwd)
targets=${*:-model top tpo sms}

# Leave the machine's memory to the rest of the build; a reader that asks
# for more for one input is a finding.
rss_mb=${FUZZ_RSS_MB:-4096}
# The readers open their input by name: each fuzzing process writes its
# inputs to a scratch folder of its own, here inside one folder for the whole
# run (on a memory file system when there is one), removed at the end even
# when a process that crashed could not remove its own.
if [ -z "${TMPDIR:-}" ] && [ -d /dev/shm ] && [ -w /dev/shm ]; then
  TMPDIR=/dev/shm
fi
scratch=$(mktemp -d "${TMPDIR:-/tmp}/kavrel-fuzz-run.XXXXXX") || exit 1
trap 'rm -rf "$scratch"' EXIT
trap 'exit 130' INT TERM
TMPDIR=$scratch; export TMPDIR
# An allocation the machine cannot meet gives null, which the array routines
# turn into their fatal error, a refusal like any other.
export ASAN_OPTIONS="${ASAN_OPTIONS:-}${ASAN_OPTIONS:+:}allocator_may_return_null=1"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-}${UBSAN_OPTIONS:+:}print_stacktrace=1"

# FUZZ_KEEP_GOING=1: fuzz in a child process that is restarted after each
# finding, so a run collects every finding in its time instead of stopping at
# the first one.
keep_going=""
[ "${FUZZ_KEEP_GOING:-0}" = 1 ] &&
  keep_going="-fork=1 -ignore_crashes=1 -ignore_ooms=1 -ignore_timeouts=1"

status=0
summary=""
for t in $targets; do
  case $t in
    model) dict=model.dict ;;
    top|tpo|sms) dict=grid.dict ;;
    *) echo "unknown target: $t" >&2; exit 64 ;;
  esac
  bin="$build/bin/${t}_file_fuzzer"
  [ -x "$bin" ] || { echo "missing $bin: build the fuzz targets first" >&2; exit 64; }
  seeds="$build/seeds/$t"; corpus="$build/corpus/$t"; found="$build/findings/$t"
  rm -rf "$seeds" "$found"; mkdir -p "$seeds" "$corpus" "$found" "$build/logs"
  cp "$root/fuzz/seeds/$t/"* "$seeds/"
  case $t in
    model) cp "$root/examples/"*.inp "$seeds/" ;;
    top) cp "$root/examples/"*.top "$seeds/" ;;
  esac
  log="$build/logs/$t.log"
  echo "== $t: $seconds s"
  # shellcheck disable=SC2086
  "$bin" $keep_going -max_total_time="$seconds" -timeout=30 -rss_limit_mb="$rss_mb" \
    -dict="$root/fuzz/dict/$dict" -artifact_prefix="$found/" -print_final_stats=1 \
    "$corpus" "$seeds" >"$log" 2>&1
  rc=$?
  last=$(grep -E '^#[0-9]+' "$log" | tail -1)
  if [ $rc -ne 0 ] || [ -n "$(ls "$found")" ]; then
    status=1
    echo "   FINDING (exit $rc), input in $found/, log $log:"
    grep -E '^==.*(ERROR|broken promise)|runtime error|out-of-memory|Timeout' "$log" | head -5 |
      sed 's/^/     /'
  fi
  echo "   $last"
  summary="$summary$t: $last\n"
done
printf '\nsummary:\n%b' "$summary"
exit $status
