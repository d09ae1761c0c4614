#!/bin/sh
# A real Slurm for the study tests: starts munge and a single-node Slurm
# (slurmctld and one slurmd on this machine, configuration, state and logs in
# a temporary folder), submits a small study with
# `kavrel study run --engine slurm --wait`, checks that every case ran and is
# collected, runs it again to check that no case runs twice, and stops the
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

# Two free ports for the controller and the node daemon.
port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')
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

# A small study: four cases, one of which fails.
mkdir "$tmp/study"
cp examples/panel.inp "$tmp/study/"
cat > "$tmp/study/s.txt" <<STUDY
base = panel.inp
rock.modulus = 1.5e6, 2.5e6
solver.convergence = 0.001, -1
STUDY
cd "$tmp/study"
start=$(date +%s)
status=0
"$kavrel" study run s.txt --engine slurm --wait > run.txt 2>&1 || status=$?
cat run.txt
[ "$status" = 1 ] || fail "study run ended with $status, not 1 (one failed case)"
grep -q "4 cases, 2 succeeded, 2 failed, 0 not run" run.txt || fail "not every case ran"
ls s.cases/slurm-*_1.out >/dev/null 2>&1 || fail "no Slurm output of case 1"
"$kavrel" study collect s.txt > collect.txt || fail "study collect failed"
grep -q "^1,ok,0," s.cases/collected.csv || fail "case 1 not collected"
grep -q "^2,failed,1," s.cases/collected.csv || fail "case 2 not marked failed"
"$kavrel" study run s.txt --engine slurm --wait > again.txt 2>&1 || true
grep -q "^0 cases to run, 4 already ended" again.txt || fail "a case would run twice"
echo "slurm-local: the study ran through Slurm in $(( $(date +%s) - start )) s"
