#!/usr/bin/env bash
# The main job: a camera source publishes frames on /image_raw, encode_all_app compresses them to
# H.264 (carrying the raw frame for checking), decode_all_app turns them back into images on
# /image_raw_new, and the monitor prints one status line a second. Runs until Ctrl-C, or for
# DURATION seconds when DURATION is set, then stops every program and prints where the
# comparison picture is.
#
#   CAMERA=/dev/video0   frames from a V4L2 device instead of the test pattern
#   VIDEO=path           frames from a video file (looped) instead of the test pattern
#   DEPTH=1              a 16-bit synthetic depth stream (mono16) instead of colour
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/env.sh"
source_workspace

CAMERA="${CAMERA:-}"
VIDEO="${VIDEO:-}"
DEPTH="${DEPTH:-}"
DURATION="${DURATION:-}"

tools="$OVERLAY_INSTALL/kestrova_h264_tools/lib/kestrova_h264_tools"
apps="$OVERLAY_INSTALL/kestrova_h264/lib/kestrova_h264"
out="$KESTROVA_BUILD/run"
topic=/image_raw

fail() { echo "run: $*" >&2; exit 1; }

for program in "$apps/encode_all_app" "$apps/decode_all_app" "$tools/camera_source" \
  "$tools/monitor"; do
  [ -x "$program" ] || fail "$program is not built (run 'make build' and check its output)"
done
[ -f /etc/kestrova/gst.yaml ] || fail "no /etc/kestrova/gst.yaml: run 'make setup' to install the default profile"
if [ -n "$DURATION" ] && ! [[ "$DURATION" =~ ^[0-9]+$ ]]; then
  fail "DURATION must be a whole number of seconds, not '$DURATION'"
fi
if [ -n "$CAMERA" ] && [ -n "$VIDEO" ]; then
  fail "give CAMERA or VIDEO, not both"
fi
[ -z "$VIDEO" ] || [ -r "$VIDEO" ] || fail "cannot read the video file '$VIDEO'"
[ -z "$CAMERA" ] || [ -e "$CAMERA" ] || fail "no camera device '$CAMERA'"

# A domain of its own, so that a second run or a test run on this machine does not mix in.
export ROS_DOMAIN_ID="${ROS_DOMAIN_ID:-$((100 + $$ % 50))}"

source_args=()
if [ -n "$DEPTH" ] && [ "$DEPTH" != 0 ]; then
  source_args=(-p encoding:=mono16 -p width:=640 -p height:=480 -p rate:=30.0)
  what="synthetic depth, mono16 640x480 at 30 Hz"
elif [ -n "$CAMERA" ]; then
  source_args=(-p "device:=$CAMERA" -p width:=0 -p height:=0 -p rate:=0.0)
  what="camera $CAMERA, rgb8 at its own size and rate"
elif [ -n "$VIDEO" ]; then
  source_args=(-p "video:=$VIDEO" -p loop:=true -p width:=0 -p height:=0 -p rate:=0.0)
  what="video file $VIDEO (looped), rgb8 at its own size and rate"
else
  source_args=(-p width:=1280 -p height:=720 -p rate:=30.0)
  what="test pattern, rgb8 1280x720 at 30 Hz"
fi

mkdir -p "$out"
rm -f "$out/monitor.png"
echo "run: $what on $topic (ROS_DOMAIN_ID=$ROS_DOMAIN_ID, ROS_LOCALHOST_ONLY=$ROS_LOCALHOST_ONLY)"
echo "run: logs in $out/; stop with Ctrl-C${DURATION:+ (or wait $DURATION s)}"

names=()
pids=()
start() {  # name, program, arguments...
  local name=$1
  shift
  "$@" >"$out/$name.log" 2>&1 &
  names+=("$name")
  pids+=($!)
}

# Listeners first, the source last, so the first frames find everyone ready.
"$tools/monitor" --ros-args -p topic:=$topic -p "image:=$out/monitor.png" \
  > >(tee "$out/monitor.log") 2>&1 &
monitor_pid=$!
start decode_all_app "$apps/decode_all_app" --ros-args -p topic_name:=$topic/h264
start encode_all_app "$apps/encode_all_app" --ros-args -p topic_name:=$topic \
  -p original_frame:=true
sleep 2
start camera_source "$tools/camera_source" --ros-args -p topic:=$topic "${source_args[@]}"

# Stops the programs in the order of the stream (source first, monitor last) and collects their
# exit status; a program that does not end within 10 s is killed.
status=0
stop_all() {
  local i pid rc
  for i in 2 1 0; do
    pid=${pids[$i]}
    kill -INT "$pid" 2>/dev/null
    wait_or_kill "$pid" "${names[$i]}"
  done
  kill -INT "$monitor_pid" 2>/dev/null
  wait_or_kill "$monitor_pid" monitor
}
wait_or_kill() {  # pid, name
  local t rc
  for t in $(seq 100); do
    kill -0 "$1" 2>/dev/null || break
    sleep 0.1
  done
  if kill -0 "$1" 2>/dev/null; then
    echo "run: $2 did not stop within 10 s; killed" >&2
    kill -KILL "$1" 2>/dev/null
    status=1
  fi
  wait "$1"
  rc=$?
  if [ "$rc" != 0 ]; then
    # 130: it was stopped by the terminal's Ctrl-C before our SIGINT; that is a clean stop too.
    if [ "$rc" != 130 ]; then
      echo "run: $2 ended with status $rc; see $out/$2.log" >&2
      status=1
    fi
  fi
}

interrupted=0
trap 'interrupted=1' INT TERM
end=$((SECONDS + ${DURATION:-0}))
while [ "$interrupted" = 0 ]; do
  if [ -n "$DURATION" ] && [ "$SECONDS" -ge "$end" ]; then
    break
  fi
  for i in "${!pids[@]}"; do
    if ! kill -0 "${pids[$i]}" 2>/dev/null; then
      echo "run: ${names[$i]} stopped unexpectedly; last lines of $out/${names[$i]}.log:" >&2
      tail -n 5 "$out/${names[$i]}.log" >&2
      interrupted=2
    fi
  done
  sleep 0.2
done
[ "$interrupted" = 2 ] && status=1

stop_all
if [ -f "$out/monitor.png" ]; then
  echo "run: comparison picture (original | decoded | difference x8): $out/monitor.png"
else
  echo "run: no comparison picture was written (no decoded frame matched a camera frame)" >&2
  status=1
fi
exit "$status"
