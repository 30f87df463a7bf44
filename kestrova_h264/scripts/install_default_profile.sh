#!/usr/bin/env bash
# Copyright 2026 Kestrova contributors
#
# Licensed under the Apache License, Version 2.0 (the "License");
# you may not use this file except in compliance with the License.
# You may obtain a copy of the License at
#
#     http://www.apache.org/licenses/LICENSE-2.0
#
# Unless required by applicable law or agreed to in writing, software
# distributed under the License is distributed on an "AS IS" BASIS,
# WITHOUT WARRANTIES OR CONDITIONS OF ANY KIND, either express or implied.
# See the License for the specific language governing permissions and
# limitations under the License.

# Installs the default pipeline profile as /etc/kestrova/gst.yaml, only when no file is there:
# an installation's own file is never overwritten.
#
# Usage: install_default_profile.sh [PROFILE] [TARGET]
#   PROFILE  profile to install (default: gst.yaml next to this script's package, in config/)
#   TARGET   where to install it (default: /etc/kestrova/gst.yaml)
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
profile=${1:-}
if [[ -z "$profile" ]]; then
  # Source tree (scripts/ beside config/) or install tree (lib/<pkg>/ beside share/<pkg>/config/).
  for candidate in "$here/../config/gst.yaml" "$here/../../share/kestrova_h264/config/gst.yaml"; do
    if [[ -f "$candidate" ]]; then
      profile=$candidate
      break
    fi
  done
fi
target=${2:-/etc/kestrova/gst.yaml}

if [[ -z "$profile" || ! -f "$profile" ]]; then
  echo "install_default_profile: no profile found (${profile:-gst.yaml})" >&2
  exit 1
fi
if [[ -e "$target" || -L "$target" ]]; then
  echo "install_default_profile: $target exists, left as it is"
  exit 0
fi
mkdir -p "$(dirname "$target")"
# noclobber: if another process created the file meanwhile, it is not overwritten.
if (set -o noclobber; cat "$profile" > "$target") 2>/dev/null; then
  chmod 0644 "$target"
  echo "install_default_profile: installed $profile as $target"
elif [[ -e "$target" ]]; then
  echo "install_default_profile: $target appeared meanwhile, left as it is"
else
  echo "install_default_profile: cannot write $target" >&2
  exit 1
fi
