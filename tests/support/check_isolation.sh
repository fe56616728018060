#!/bin/sh
# Fails unless the suite runs in a network namespace that holds loopback only.
# (ip asks the kernel for this namespace's links; /sys/class/net may show the
# namespace that mounted sysfs instead.)
others=$(ip -o link show | awk -F': ' '{print $2}' | sed 's/@.*//' | grep -v '^lo$' || true)
if [ -n "$others" ]; then
  echo "not isolated: interfaces visible: $others" >&2
  exit 1
fi
ip -o link show lo | grep -q 'UP' || { echo "loopback is down" >&2; exit 1; }
echo "isolated: only loopback is visible"
