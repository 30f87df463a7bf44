#!/usr/bin/env bash
# Copyright 2026 Kestrova contributors
# Licensed under the Apache License, Version 2.0.
#
# With ROS_LOCALHOST_ONLY=1 a talker and a listener exchange messages without a single packet
# leaving through a network interface. They run in a private network namespace whose only
# outside link is a veth pair ending in a second private namespace, so nothing can leave the
# machine either way; with ROS_LOCALHOST_ONLY unset, the same run must show traffic on that
# link, which proves the counter would see a leak.
#
# Usage: test_localhost_only.sh <talker> <listener>
set -euo pipefail
talker=$1
listener=$2

if [ "$(id -u)" != 0 ]; then
  echo "needs root for network namespaces"; exit 1
fi

tag="kh$$"
inner="${tag}a"
outer="${tag}b"
cleanup() {
  ip netns del "$inner" 2>/dev/null || true
  ip netns del "$outer" 2>/dev/null || true
  rm -f "/tmp/${tag}".*
}
trap cleanup EXIT

ip netns add "$inner"
ip netns add "$outer"
ip link add "${tag}i" type veth peer name "${tag}o"
ip link set "${tag}i" netns "$inner"
ip link set "${tag}o" netns "$outer"
ip -n "$inner" addr add 10.213.7.1/24 dev "${tag}i"
ip -n "$outer" addr add 10.213.7.2/24 dev "${tag}o"
# No IPv6: the kernel's own neighbour discovery would show on the counter.
for ns in "$inner" "$outer"; do
  ip netns exec "$ns" sysctl -qw net.ipv6.conf.all.disable_ipv6=1 net.ipv6.conf.default.disable_ipv6=1
  ip -n "$ns" link set lo up
done
ip -n "$inner" link set "${tag}i" up
ip -n "$outer" link set "${tag}o" up
ip -n "$inner" route add default via 10.213.7.2
ip -n "$inner" route add 224.0.0.0/4 dev "${tag}i"

# The link's own start-up chatter is over before counting begins.
sleep 1

tx_packets() {
  ip netns exec "$inner" cat "/sys/class/net/${tag}i/statistics/tx_packets"
}

# Runs a talker and a listener in the namespace; prints the packets sent on the link and
# whether the listener heard the talker.
run_pair() {  # ROS_LOCALHOST_ONLY value, or "unset"
  local value=$1 before after heard
  local env_args=(env -u ROS_LOCALHOST_ONLY ROS_DOMAIN_ID=$(( $$ % 100 + 100 )))
  [ "$value" = unset ] || env_args+=(ROS_LOCALHOST_ONLY="$value")
  before=$(tx_packets)
  ip netns exec "$inner" "${env_args[@]}" timeout -s INT 5 "$listener" \
    > "/tmp/${tag}.listener" 2>&1 &
  local listener_pid=$!
  sleep 0.3
  ip netns exec "$inner" "${env_args[@]}" timeout -s INT 3 "$talker" \
    --ros-args -p period_ms:=100 > "/tmp/${tag}.talker" 2>&1 || true
  wait "$listener_pid" || true
  after=$(tx_packets)
  heard=$(grep -c "I heard" "/tmp/${tag}.listener" || true)
  echo "$((after - before)) $heard"
}

read -r sent heard < <(run_pair 1)
echo "ROS_LOCALHOST_ONLY=1: $sent packets on the link, $heard messages heard"
read -r control_sent control_heard < <(run_pair unset)
echo "ROS_LOCALHOST_ONLY unset: $control_sent packets on the link, $control_heard messages heard"

status=0
if [ "$heard" -lt 5 ]; then echo "FAIL: the listener heard too little with ROS_LOCALHOST_ONLY=1"; status=1; fi
if [ "$sent" -ne 0 ]; then echo "FAIL: packets left through the link with ROS_LOCALHOST_ONLY=1"; status=1; fi
if [ "$control_heard" -lt 5 ]; then echo "FAIL: the listener heard too little without ROS_LOCALHOST_ONLY"; status=1; fi
if [ "$control_sent" -eq 0 ]; then echo "FAIL: the control run sent nothing, so the check proves nothing"; status=1; fi
exit $status
