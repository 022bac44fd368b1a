#!/usr/bin/env bash
# Installs the Debian packages KURIM builds and tests with; does nothing when all are present.
set -euo pipefail
PKGS=(qt6-base-dev qt6-qpa-plugins qt6-serialport-dev libshp-dev libzint-dev libsimpleini-dev
      libusb-1.0-0-dev libgtest-dev libgmock-dev libbenchmark-dev pkg-config cmake g++ make
      fonts-liberation2 xvfb xauth poppler-utils)
missing=()
for p in "${PKGS[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
echo "Installing: ${missing[*]}"
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
