#!/usr/bin/env bash
# Installs every Debian package the workspace needs. Idempotent and quiet: packages already
# installed are not touched, and apt runs only when something is missing.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"

SUDO=""
if [ "$(id -u)" != 0 ]; then SUDO="sudo"; fi

mapfile -t wanted < <(sed -e 's/#.*//' -e '/^[[:space:]]*$/d' "$here/apt-packages.txt")
missing=()
for pkg in "${wanted[@]}"; do
  status=$(dpkg-query -W -f='${db:Status-Status}' "$pkg" 2>/dev/null || true)
  [ "$status" = "installed" ] || missing+=("$pkg")
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${#missing[@]} Debian packages: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# The programs read their pipelines from /etc/kestrova/gst.yaml; a machine without one gets the
# default profile. An existing file is never touched.
if [ -x "$here/../kestrova_h264/scripts/install_default_profile.sh" ]; then
  if [ "$(id -u)" = 0 ]; then
    "$here/../kestrova_h264/scripts/install_default_profile.sh"
  else
    sudo "$here/../kestrova_h264/scripts/install_default_profile.sh"
  fi
fi
