#!/usr/bin/env bash
# One printer probed by `pswctl exporter` and by Prometheus's snmp_exporter
# (Debian's prometheus-snmp-exporter, a module walking the same standard
# tables with GetBulk, SNMPv2c, 25 repetitions), side by side in one run:
# the wall time of a probe and the requests the printer received for it.
#
#   scripts/netns-run bench/probe_compare.sh [BUILD-DIR] [REPLY-DELAY-MS] [PROFILE]
#
# Runs only inside a private network namespace (loopback only); the agent
# (pysnmp, serving the profile) and both exporters listen on 127.0.0.1 and
# are stopped by their pids on exit.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/gcc}
delay=${2:-20}
profile=${3:-tests/agent/profiles/colour_mfp_supplies.snmprec}
probes=20

if ip -o link show | grep -v ': lo:' | grep -q .; then
  echo "probe_compare: run me inside a private network namespace (scripts/netns-run)" >&2
  exit 2
fi
command -v prometheus-snmp-exporter >/dev/null || { echo "probe_compare: prometheus-snmp-exporter is missing" >&2; exit 2; }
ip link set lo up

run=$(mktemp -d)
pids=()
cleanup() { for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done; [ -n "${PSW_KEEP_BENCH_FILES:-}" ] || rm -rf "$run"; }
trap cleanup EXIT

/usr/bin/python3 tests/agent/tools/pysnmp_agent.py --profile "$profile" --listen 127.0.0.1 --port 161 \
  --reply-delay-ms "$delay" --log "$run/agent.log" --log-datagrams >/dev/null 2>&1 &
pids+=($!)
"$build/tools/pswctl" exporter --listen 127.0.0.1:9917 --timeout 2000 --retries 1 >/dev/null 2>&1 &
pids+=($!)
"$build/tools/pswctl" exporter --listen 127.0.0.1:9918 --timeout 2000 --retries 1 --snmp-version 2c >/dev/null 2>&1 &
pids+=($!)
cat > "$run/snmp.yml" <<'YAML'
printer:
  walk:
    - 1.3.6.1.2.1.1
    - 1.3.6.1.2.1.25.3.2
    - 1.3.6.1.2.1.25.3.5
    - 1.3.6.1.2.1.43.5.1.1.16
    - 1.3.6.1.2.1.43.5.1.1.17
    - 1.3.6.1.2.1.43.6
    - 1.3.6.1.2.1.43.8.2
    - 1.3.6.1.2.1.43.10.2
    - 1.3.6.1.2.1.43.11.1
    - 1.3.6.1.2.1.43.12.1
    - 1.3.6.1.2.1.43.18.1
    - 1.3.6.1.2.1.2.2.1.6
  version: 2
  max_repetitions: 25
  retries: 1
  timeout: 2s
  auth:
    community: public
YAML
prometheus-snmp-exporter --config.file="$run/snmp.yml" --web.listen-address=127.0.0.1:9116 >"$run/snmp_exporter.log" 2>&1 &
pids+=($!)
sleep 2

requests() { grep -c "RECV from" "$run/agent.log" || true; }
measure() {
  local name=$1 url=$2
  curl -s -o /dev/null "$url"  # once, so start-up costs count for neither
  local before total_ms
  before=$(requests)
  total_ms=$( { for _ in $(seq $probes); do curl -s -o /dev/null -w '%{time_total}\n' "$url"; done; } |
              awk '{ s += $1 } END { printf "%.1f", s * 1000 / NR }')
  printf '%-34s %8s ms per probe  %6.1f requests per probe\n' "$name" "$total_ms" \
    "$(echo "($(requests) - $before) / $probes" | bc -l)"
}
echo "one printer ($(basename "$profile")), answers ${delay} ms late, mean of $probes probes:"
measure "pswctl exporter (SNMPv1)" "http://127.0.0.1:9917/probe?target=127.0.0.1"
measure "pswctl exporter (SNMPv2c)" "http://127.0.0.1:9918/probe?target=127.0.0.1"
measure "snmp_exporter (SNMPv2c GetBulk)" "http://127.0.0.1:9116/snmp?target=127.0.0.1&module=printer"

# pswctl status: identity, character sets and every status table.
status() {
  local name=$1; shift
  local before start end
  before=$(requests)
  start=$(date +%s%N)
  for _ in $(seq 5); do "$build/tools/pswctl" status 127.0.0.1 --timeout 2000 --retries 1 "$@" >/dev/null; done
  end=$(date +%s%N)
  printf '%-34s %8.1f ms per read   %6.1f requests per read\n' "$name" \
    "$(echo "($end - $start) / 5000000" | bc -l)" "$(echo "($(requests) - $before) / 5" | bc -l)"
}
echo "pswctl status of the same printer, mean of 5 reads:"
status "pswctl status (SNMPv1)"
status "pswctl status (SNMPv2c, GetNext)" --snmp-version 2c --max-repetitions 0
status "pswctl status (SNMPv2c, GetBulk)" --snmp-version 2c
