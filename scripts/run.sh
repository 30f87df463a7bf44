#!/usr/bin/env bash
# The main job on its built-in defaults: 1280x720 rgb8 camera frames at 30 Hz published by one
# process and received, checked and measured by another. Runs until Ctrl-C, or for DURATION
# seconds when DURATION is set.
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/env.sh"
source_workspace

demos="$UNDERLAY_INSTALL/rclcpp_demos/lib/rclcpp_demos"
topic="image_raw"
pids=()
stop_all() {
  for pid in "${pids[@]}"; do kill -INT "$pid" 2>/dev/null; done
  wait "${pids[@]}" 2>/dev/null
}
trap 'stop_all; exit 0' INT TERM

echo "run: publishing 1280x720 rgb8 frames at 30 Hz on /$topic (ROS_LOCALHOST_ONLY=$ROS_LOCALHOST_ONLY)"
"$demos/image_listener" --ros-args -p topic:=$topic &
pids+=($!)
"$demos/image_talker" --ros-args -p topic:=$topic -p width:=1280 -p height:=720 -p rate:=30.0 &
pids+=($!)

if [ -n "${DURATION:-}" ]; then
  sleep "$DURATION"
  stop_all
else
  wait "${pids[@]}"
fi
