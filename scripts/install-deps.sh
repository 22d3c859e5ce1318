#!/usr/bin/env bash
# Installs what Tagwright needs to build, run and test on Debian 12 (run as root).
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config ccache
  libcli11-dev nlohmann-json3-dev libutf8proc-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  libsqlite3-dev
  python3 python3-mutagen eyed3 libtag1-dev lame kid3-cli
  clang libclang-rt-14-dev clang-tidy clang-format strace
  qt6-base-dev qt6-qpa-plugins fonts-dejavu-core xvfb xauth imagemagick xdotool
  dpkg-dev file fakeroot lintian man-db groff-base librsvg2-bin
  bash-completion zsh fish appstream desktop-file-utils
)

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' || missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -q
  apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
