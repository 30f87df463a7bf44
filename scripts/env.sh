# Common environment of the workspace scripts; sourced, not run.
# Paths: the underlay is built into its own prefix, the product packages on top of it.

KESTROVA_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
KESTROVA_BUILD="${KESTROVA_BUILD:-$KESTROVA_ROOT/build}"
UNDERLAY_BUILD="$KESTROVA_BUILD/underlay/build"
UNDERLAY_INSTALL="$KESTROVA_BUILD/underlay/install"
OVERLAY_BUILD="$KESTROVA_BUILD/overlay/build"
OVERLAY_INSTALL="$KESTROVA_BUILD/overlay/install"

# ament's CMake helpers import ament_package, catkin_pkg and em: Debian's interpreter has them,
# the pyenv one that may come first on PATH does not.
export PATH="/usr/bin:$PATH"
PYTHON3=/usr/bin/python3

# Nothing started from these scripts talks to other machines unless the caller asks for it.
export ROS_LOCALHOST_ONLY="${ROS_LOCALHOST_ONLY:-1}"

# Parallel jobs: the machines this is built on are small.
KESTROVA_JOBS="${KESTROVA_JOBS:-$(nproc)}"
export MAKEFLAGS="-j$KESTROVA_JOBS"

COLCON_CMAKE_ARGS=(
  -DPython3_EXECUTABLE="$PYTHON3"
  -DCMAKE_BUILD_TYPE="${CMAKE_BUILD_TYPE:-RelWithDebInfo}"
)

# Sources a colcon setup file; those scripts read unset variables, so relax -u around them.
source_setup() {
  local had_u=0
  case $- in *u*) had_u=1; set +u ;; esac
  # shellcheck disable=SC1090
  source "$1"
  [ "$had_u" = 1 ] && set -u
  return 0
}

# On a real ROS 2 Humble machine the underlay is not built: ROS 2 itself provides it.
using_real_ros() {
  [ "${ROS_DISTRO:-}" = "humble" ]
}

source_workspace() {
  if using_real_ros; then
    source_setup "/opt/ros/humble/setup.bash"
  else
    source_setup "$UNDERLAY_INSTALL/setup.bash"
  fi
  if [ -f "$OVERLAY_INSTALL/setup.bash" ]; then
    source_setup "$OVERLAY_INSTALL/setup.bash"
  fi
}
