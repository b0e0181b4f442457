#!/usr/bin/env bash
# Installs what building and testing need on Debian 12, only when something is missing.
set -euo pipefail

packages=(cmake ninja-build g++ qt6-base-dev qt6-base-dev-tools libgl-dev
    clang-format)
# The install and package checks: dpkg-shlibdeps, and the validators of what gets installed.
packages+=(dpkg-dev file desktop-file-utils appstream systemd groff-base man-db)
if [ "${VORNIC_WITH_FUZZ:-0}" = 1 ]; then packages+=(clang libclang-rt-14-dev); fi
if [ "${VORNIC_WITH_XVFB:-0}" = 1 ]; then packages+=(xvfb xauth); fi
if [ "${VORNIC_WITH_SCREENSHOTS:-0}" = 1 ]; then packages+=(x11-utils xdotool imagemagick); fi
# Cross-building for Windows (Qt's posix thread model), running it under Wine, the installer and zip.
if [ "${VORNIC_WITH_WINDOWS:-0}" = 1 ]; then
    packages+=(g++-mingw-w64-x86-64-posix wine wine64 nsis zip ca-certificates)
fi
if [ "${VORNIC_WITH_BROWSER:-0}" = 1 ]; then packages+=(chromium chromium-driver python3-selenium); fi

missing=()
for p in "${packages[@]}"; do
    [ "$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null)" = "install ok installed" ] || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
