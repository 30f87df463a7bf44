#!/usr/bin/env bash
# Builds the underlay (ROS 2 for machines without ROS 2) and then the product packages on top of
# it. Extra arguments are passed to the colcon build of the product packages.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/env.sh"
cd "$KESTROVA_ROOT"

colcon_build() {
  colcon build --event-handlers console_cohesion- status- summary+ \
    --parallel-workers "$KESTROVA_JOBS" "$@"
}

if ! using_real_ros; then
  colcon_build --base-paths underlay/src \
    --build-base "$UNDERLAY_BUILD" --install-base "$UNDERLAY_INSTALL" \
    --cmake-args "${COLCON_CMAKE_ARGS[@]}" -DBUILD_TESTING=ON
fi
source_workspace

# The product packages sit at the top of the repository; underlay/ hides itself with
# COLCON_IGNORE.
colcon_build --base-paths . \
  --build-base "$OVERLAY_BUILD" --install-base "$OVERLAY_INSTALL" \
  --cmake-args "${COLCON_CMAKE_ARGS[@]}" -DBUILD_TESTING=ON "$@"
