#!/usr/bin/env bash
# Installs the Debian 12 packages Fenlark needs to build, test and run, when
# they are missing. Needs root (or sudo) only when something is missing.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev qt6-base-dev-tools libgl-dev
  libgtest-dev libgmock-dev
  libbenchmark-dev
  zlib1g-dev
  libsqlite3-dev libarchive-dev
  clang libclang-rt-dev clang-format clang-tidy
  xvfb xauth
  python3 python3-jsonschema groff-base
  # packaging and desktop integration: MIME database, desktop entry and
  # AppStream checks, the .deb's dependencies and checks
  shared-mime-info libglib2.0-bin desktop-file-utils appstream
  dpkg-dev file lintian
)

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$package")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing: ${missing[*]}"
sudo=()
if [ "$(id -u)" -ne 0 ]; then
  sudo=(sudo)
fi
"${sudo[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
