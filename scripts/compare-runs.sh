#!/bin/sh
# Runs every shipped example model (and any extra .inp given with -m) with two
# kavrel binaries and compares every file each run writes, byte for byte, the
# log with its times masked, plus standard output, standard error and the exit
# status. A change to the solver, the driver or a writer must leave this silent.
#
#   scripts/compare-runs.sh OLD_KAVREL NEW_KAVREL [-m MODEL.inp]... [-n NEW_ARGS] [-- EXTRA RUN ARGS]
#
# -n gives run arguments for the new binary only (e.g. -n "--threads 3").
#
# Exit status 0 when everything matches, 1 when anything differs, 64 on misuse.
set -u
LC_ALL=C; export LC_ALL
[ $# -ge 2 ] || { echo "usage: $0 OLD_KAVREL NEW_KAVREL [-m MODEL.inp]... [-- ARGS]" >&2; exit 64; }
old=$(realpath "$1"); new=$(realpath "$2"); shift 2
root=$(cd "$(dirname "$0")/.." && pwd)
models="$root/examples/*.inp"
extra=""
newextra=""
while [ $# -gt 0 ]; do
  case "$1" in
    -m) models="$models $(realpath "$2")"; shift 2 ;;
    -n) newextra="$2"; shift 2 ;;
    --) shift; extra="$*"; break ;;
    *) echo "unknown argument: $1" >&2; exit 64 ;;
  esac
done
work=$(mktemp -d "${TMPDIR:-/tmp}/kavrel-compare.XXXXXX")
trap 'rm -rf "$work"' EXIT

# Time fields of the log ("... was 3 secs.", clock lines) are masked so that
# two runs compare equal whatever the wall clock did.
# The profile tables keep their loop and sweep counts; their four seconds
# columns and the matching totals are masked.
mask() {
  sed -E -e 's/[0-9]+ secs/N secs/g' \
         -e '/^\|    [0-9]    \|/s/^((\|[^|]*){3}\|).*$/\1 seconds masked/' \
         -e 's/^( +[0-9]+ +[0-9]+) +[0-9]+ +[0-9]+ +[0-9]+ +[0-9]+ +$/\1 seconds masked/' "$1"
}

diffs="$work/diffs"; : >"$diffs"
for m in $models; do
  name=$(basename "$m" .inp)
  for side in old new; do
    d="$work/$side/$name"; mkdir -p "$d"
    cp "$m" "$d/"
    src=$(dirname "$m")
    for ext in top tpo sms; do [ -f "$src/$name.$ext" ] && cp "$src/$name.$ext" "$d/"; done
    bin=$old; args=$extra; [ $side = new ] && bin=$new && args="$extra $newextra"
    (cd "$d" && "$bin" run $args "$name.inp" >"$work/$side/$name.stdout" 2>"$work/$side/$name.stderr"
     echo $? >"$work/$side/$name.rc")
  done
  for f in $(cd "$work/old/$name" && ls) $(cd "$work/new/$name" && ls); do
    a="$work/old/$name/$f"; b="$work/new/$name/$f"
    if [ ! -f "$a" ] || [ ! -f "$b" ]; then
      echo "DIFF $name: $f exists on one side only"; continue
    fi
    case "$f" in
      *.out) mask "$a" >"$work/a.txt"; mask "$b" >"$work/b.txt"
             cmp -s "$work/a.txt" "$work/b.txt" || echo "DIFF $name: $f (times masked)" ;;
      *) cmp -s "$a" "$b" || echo "DIFF $name: $f" ;;
    esac
  done | sort -u >>"$diffs"
  for s in stdout stderr rc; do
    cmp -s "$work/old/$name.$s" "$work/new/$name.$s" || echo "DIFF $name: $s" >>"$diffs"
  done
done
if [ -s "$diffs" ]; then cat "$diffs"; exit 1; fi
echo "same bits: every file of every model matches"
