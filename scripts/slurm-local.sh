#!/bin/sh
# A real Slurm for the study tests: starts munge and a single-node Slurm
# (slurmctld and one slurmd on this machine, configuration, state and logs in
# a temporary folder), submits a small study with
# `kavrel study run --engine slurm`, runs it again at once (the array still
# queued is not submitted twice), runs a case that was stopped again with
# --wait, checks that every case ran once and is collected, and stops the
# daemons it started. Needs the Debian packages slurm-wlm and munge
# (scripts/install-deps.sh).
#   scripts/slurm-local.sh [KAVREL]      (default build/bin/kavrel; make test-slurm)
set -eu
cd "$(dirname "$0")/.."
kavrel=$(realpath "${1:-build/bin/kavrel}")
for p in munged mungekey slurmctld slurmd sbatch; do
  PATH="$PATH:/usr/sbin:/sbin" command -v "$p" >/dev/null 2>&1 || {
    echo "slurm-local: $p not found; install the Debian packages slurm-wlm and munge" >&2; exit 1; }
done
PATH="$PATH:/usr/sbin:/sbin"

tmp=$(mktemp -d /tmp/kavrel-slurm.XXXXXX)
chmod 700 "$tmp"
pids=""
stop() {
  for pid in $pids; do kill "$pid" 2>/dev/null || true; done
  for pid in $pids; do while kill -0 "$pid" 2>/dev/null; do sleep 0.2; done; done
  [ "${KEEP:-0}" = 1 ] && echo "slurm-local: kept $tmp" || rm -rf "$tmp"
}
trap stop EXIT INT TERM
fail() {
  echo "slurm-local: $*" >&2
  for log in slurmctld.log slurmd.log munged.log; do
    echo "--- $log" >&2; tail -n 20 "$tmp/$log" >&2 2>/dev/null || true
  done
  exit 1
}

# munge with its own key and socket.
mungekey --create --keyfile="$tmp/munge.key" 2>/dev/null || dd if=/dev/urandom of="$tmp/munge.key" bs=128 count=1 2>/dev/null
chmod 600 "$tmp/munge.key"
munged --foreground --force --socket="$tmp/munge.sock" --key-file="$tmp/munge.key" \
  --log-file="$tmp/munged.log" --pid-file="$tmp/munged.pid" --seed-file="$tmp/munged.seed" \
  >"$tmp/munged.console" 2>&1 &
pids="$pids $!"

# Two ports for the controller and the node daemon, drawn from a range few
# services use.
port=$(shuf -i 20000-59998 -n 1)
user=$(id -un)
host=$(hostname -s)
cpus=$(nproc)
memory=$(awk '/MemTotal/ { print int($2 / 1024 / 2) }' /proc/meminfo)
mkdir -p "$tmp/state" "$tmp/spool"
cat > "$tmp/slurm.conf" <<CONF
ClusterName=kavrel-test
SlurmctldHost=$host(127.0.0.1)
SlurmUser=$user
SlurmdUser=$user
SlurmctldPort=$port
SlurmdPort=$((port + 1))
AuthType=auth/munge
AuthInfo=socket=$tmp/munge.sock
CredType=cred/munge
StateSaveLocation=$tmp/state
SlurmdSpoolDir=$tmp/spool
SlurmctldPidFile=$tmp/slurmctld.pid
SlurmdPidFile=$tmp/slurmd.pid
SlurmctldLogFile=$tmp/slurmctld.log
SlurmdLogFile=$tmp/slurmd.log
ProctrackType=proctrack/linuxproc
TaskPlugin=task/none
SelectType=select/cons_tres
SelectTypeParameters=CR_Core
SchedulerType=sched/backfill
JobAcctGatherType=jobacct_gather/none
AccountingStorageType=accounting_storage/none
MpiDefault=none
ReturnToService=2
NodeName=$host NodeAddr=127.0.0.1 CPUs=$cpus RealMemory=$memory State=UNKNOWN
PartitionName=test Nodes=$host Default=YES MaxTime=INFINITE State=UP
CONF
export SLURM_CONF="$tmp/slurm.conf"
for k in $(seq 50); do [ -S "$tmp/munge.sock" ] && break; sleep 0.1; done
slurmctld -D -i -f "$SLURM_CONF" >"$tmp/slurmctld.console" 2>&1 &
pids="$pids $!"
slurmd -D -f "$SLURM_CONF" >"$tmp/slurmd.console" 2>&1 &
pids="$pids $!"
for k in $(seq 100); do
  sinfo -h -o %T 2>/dev/null | grep -q idle && break
  sleep 0.2
done
sinfo -h -o %T 2>/dev/null | grep -q idle || fail "the node did not come up"

# A small study of four cases, two of which fail on purpose (a convergence
# criterion no solve can reach).
mkdir "$tmp/study"
cp examples/panel.inp "$tmp/study/"
cat > "$tmp/study/s.txt" <<STUDY
base = panel.inp
rock.modulus = 1.5e6, 2.5e6
solver.convergence = 0.001, -1
STUDY
cd "$tmp/study"
echo "slurm-local: cases 2 and 4 of the study are meant to fail"
start=$(date +%s)
outputs() { ls s.cases/slurm-*_"$1".out 2>/dev/null | wc -l; }

# Submitted, then run again at once: the array still queued is not submitted twice.
"$kavrel" study run s.txt --engine slurm > first.txt 2>&1 || fail "study run: $(cat first.txt)"
status=0
"$kavrel" study run s.txt --engine slurm --wait > second.txt 2>&1 || status=$?
grep -q "Slurm still holds this study's job" second.txt ||
  grep -q "^0 cases to run, 4 already ended" second.txt || fail "resubmitted: $(cat second.txt)"
name=$(sed -n 's/^#SBATCH --job-name=//p' s.cases/study.sbatch)
for k in $(seq 300); do [ -z "$(squeue -h -n "$name")" ] && break; sleep 0.2; done

# Case 3 stopped before its end (no exit status): only it runs again, waited for.
rm -f s.cases/case-0003/exit-status
status=0
"$kavrel" study run s.txt --engine slurm --wait > run.txt 2>&1 || status=$?
cat run.txt
[ "$status" = 1 ] || fail "study run ended with $status, not 1 (cases 2 and 4 fail)"
grep -q "^1 cases to run, 3 already ended" run.txt || fail "not only case 3 ran again"
grep -q "4 cases, 2 succeeded, 2 failed, 0 not run" run.txt || fail "not every case ran"
for c in 1 2 4; do [ "$(outputs $c)" = 1 ] || fail "case $c ran $(outputs $c) times"; done
[ "$(outputs 3)" = 2 ] || fail "case 3 ran $(outputs 3) times, not twice"
"$kavrel" study collect s.txt > collect.txt || fail "study collect failed"
grep -q "^1,ok,0," s.cases/collected.csv || fail "case 1 not collected"
grep -q "^2,failed,1," s.cases/collected.csv || fail "case 2 not marked failed"
echo "slurm-local: the study ran through Slurm in $(( $(date +%s) - start )) s"
