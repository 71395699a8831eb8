#!/usr/bin/env bash
# Installs the Debian packages the build, the program and the tests need.
# Usage: scripts/deps.sh run|package|test   (sourced or executed; a no-op when all are present)
set -euo pipefail

run_pkgs=(cmake ninja-build make g++ pkg-config qt6-base-dev qt6-qpa-plugins qt6-multimedia-dev libsqlcipher-dev
  libjpeg62-turbo-dev fonts-wqy-zenhei libgl-dev qt6-translations-l10n libxlsxwriter-dev libzip-dev
  qt6-l10n-tools libx11-dev libxext-dev libxss-dev libmicrohttpd-dev libqrencode-dev)
# The Debian package: CPack finds the binaries with file, dpkg-shlibdeps works out their dependencies.
package_pkgs=(dpkg-dev file)
test_pkgs=(libgtest-dev libgmock-dev libbenchmark-dev libgif-dev sqlcipher xvfb xauth xdotool
  imagemagick python3-pil gifsicle x11-utils x11-xserver-utils libx11-dev clang libclang-rt-14-dev clang-format
  python3-openpyxl lintian appstream dbus pulseaudio pulseaudio-utils chromium chromium-driver python3-selenium zbar-tools)

want=("${run_pkgs[@]}")
case "${1:-run}" in
  package) want+=("${package_pkgs[@]}") ;;
  test) want+=("${package_pkgs[@]}" "${test_pkgs[@]}") ;;
esac

missing=()
for p in "${want[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}" >&2
  SUDO=""
  if [ "$(id -u)" != 0 ]; then SUDO=sudo; fi
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
