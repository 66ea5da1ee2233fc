#!/usr/bin/env bash
# An ensemble through a real one-node Slurm cluster: starts munged,
# slurmctld and slurmd as root without systemd in a temporary folder, submits
# the array job `soilcolumn ensemble --emit slurm` wrote, collects the
# results and compares ensemble.csv with the in-process run of the same
# table. The daemons are stopped by the pids in their pid files.
# Usage: tests/cluster/slurm_test.sh [path/to/soilcolumn]
set -euo pipefail
SOILCOLUMN="$(realpath "${1:-build/soilcolumn}")"
if [ "$(id -u)" -ne 0 ]; then
    echo "slurm_test: skipped (the daemons need root)" >&2
    exit 0
fi
for tool in munged mungekey slurmctld slurmd sbatch sinfo; do
    command -v "$tool" >/dev/null || { echo "slurm_test: $tool missing (scripts/setup.sh installs it)" >&2; exit 1; }
done
started=$(date +%s.%N)
WORK="$(mktemp -d /tmp/soilcolumn-slurm-XXXXXX)"
stop_daemons() {
    for name in slurmd slurmctld munged; do
        if [ -s "$WORK/$name.pid" ]; then
            pid=$(cat "$WORK/$name.pid")
            kill "$pid" 2>/dev/null || true
            for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
        fi
    done
    rm -rf "$WORK"
}
trap stop_daemons EXIT
source "$(dirname "$0")/common.sh"

# MUNGE: key, socket, logs and pid in the work folder (socket folder 755).
mkdir -p "$WORK/munge" "$WORK/state" "$WORK/spool"
chmod 755 "$WORK" "$WORK/munge"
mungekey -c -f -k "$WORK/munge.key"
munged -f --socket="$WORK/munge/munge.socket" --key-file="$WORK/munge.key" \
    --log-file="$WORK/munged.log" --pid-file="$WORK/munged.pid" --seed-file="$WORK/munge.seed"

# Ports of our own, so that another cluster on this machine does not answer.
port=$((20000 + RANDOM % 20000))
while (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null || (exec 3<>"/dev/tcp/127.0.0.1/$((port + 1))") 2>/dev/null; do
    port=$((20000 + RANDOM % 20000))
done
export SLURM_CONF="$WORK/slurm.conf"
cat > "$SLURM_CONF" <<CONF
ClusterName=soilcolumn-test
SlurmctldHost=localhost
SlurmctldPort=$port
SlurmdPort=$((port + 1))
SlurmUser=root
SlurmdUser=root
AuthType=auth/munge
CredType=cred/munge
AuthInfo=socket=$WORK/munge/munge.socket
ProctrackType=proctrack/linuxproc
TaskPlugin=task/none
JobAcctGatherType=jobacct_gather/none
AccountingStorageType=accounting_storage/none
SelectType=select/cons_tres
SelectTypeParameters=CR_Core
MpiDefault=none
MailProg=/bin/true
SchedulerParameters=batch_sched_delay=0,sched_min_interval=0
StateSaveLocation=$WORK/state
SlurmdSpoolDir=$WORK/spool
SlurmctldPidFile=$WORK/slurmctld.pid
SlurmdPidFile=$WORK/slurmd.pid
SlurmctldLogFile=$WORK/slurmctld.log
SlurmdLogFile=$WORK/slurmd.log
ReturnToService=2
NodeName=localhost NodeAddr=127.0.0.1 CPUs=2 Sockets=1 CoresPerSocket=2 ThreadsPerCore=1 State=UNKNOWN
PartitionName=debug Nodes=localhost Default=YES MaxTime=INFINITE State=UP
CONF
slurmctld -c -f "$SLURM_CONF"
slurmd -N localhost -f "$SLURM_CONF"
for _ in $(seq 100); do
    [ "$(sinfo -h -n localhost -o %t 2>/dev/null)" = "idle" ] && break
    sleep 0.2
done
if [ "$(sinfo -h -n localhost -o %t 2>/dev/null)" != "idle" ]; then
    echo "slurm_test: the node did not come up" >&2
    tail -n 20 "$WORK/slurmctld.log" "$WORK/slurmd.log" >&2 || true
    exit 1
fi
up=$(date +%s.%N)

make_table
run_reference
"$SOILCOLUMN" ensemble "$BASE" --params "$WORK/table.csv" -o "$WORK/slurm" --emit slurm --chunk 2 \
    --max-running 2 >/dev/null
grep -q -- '--array=0-1%2' "$WORK/slurm/cluster/ensemble.sbatch"
sbatch --wait --quiet "$WORK/slurm/cluster/ensemble.sbatch"
"$SOILCOLUMN" ensemble collect "$WORK/slurm" >/dev/null
compare_with_reference "$WORK/slurm"
for chunk in 0000 0001; do
    [ -s "$WORK/slurm/results/tables/chunk_$chunk.csv" ] || { echo "slurm_test: no table of chunk $chunk" >&2; exit 1; }
done
ended=$(date +%s.%N)
printf 'slurm_test: ok, 4 members in 2 array tasks; daemons up in %.1f s, %.1f s in all\n' \
    "$(awk "BEGIN { print $up - $started }")" "$(awk "BEGIN { print $ended - $started }")"
