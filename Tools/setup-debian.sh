#!/usr/bin/env bash
# Installs every Debian package that building, running and testing Grabbit needs.
# Safe to run more than once: apt-get skips what is already there.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config clang-format
  qt6-base-dev qt6-base-dev-tools qt6-tools-dev qt6-tools-dev-tools qt6-l10n-tools
  qt6-translations-l10n libqt6opengl6-dev libqt6svg6 qt6-qpa-plugins
  gobjc gobjc++ libobjc-12-dev
  libgnustep-base-dev libgnustep-gui-dev gnustep-base-runtime gnustep-gui-runtime
  gnustep-back0.29 gnustep-back0.29-cairo gnustep-make
  googletest libgtest-dev libgmock-dev
  unzip zip acl
  xvfb xauth x11-utils xdotool libx11-dev dbus dbus-daemon dbus-x11 desktop-file-utils
  fonts-dejavu-core fonts-liberation2 fontconfig
  procps psmisc valgrind
)

if [ "$(id -u)" -ne 0 ]; then
  sudo=sudo
else
  sudo=
fi

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' || missing+=("$package")
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "setup: every package is installed"
  exit 0
fi

echo "setup: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
