#!/usr/bin/env bash
# Installs the Debian packages that BrakkenTiv's build, tests and run need.
# Idempotent: asks apt only for what is missing, and runs apt-get update only then.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config ccache
  qt6-base-dev qt6-base-dev-tools libqt6opengl6-dev
  libglm-dev zlib1g-dev libbullet-dev libsdl2-dev libopenal-dev libsquish-dev
  libepoxy-dev libegl-dev libgl-dev libgles-dev libgl1-mesa-dri libegl-mesa0
  libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-14-dev
  xvfb xauth x11-utils
  fonts-dejavu-core
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "install-deps: installing ${missing[*]}"
sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
  sudo_cmd=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
