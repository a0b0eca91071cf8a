#!/usr/bin/env bash
# Installs the Debian packages the project needs (when missing), then configures and builds.
# Usage: tools/setup.sh [build-dir] [build-type]
#   build-dir: the argument, else $ZETRINO_BUILD_DIR, else build; relative to the repository root.
#   build-type: default Debug.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR=${1:-${ZETRINO_BUILD_DIR:-build}}
BUILD_TYPE=${2:-Debug}

PACKAGES=(
    g++ cmake ninja-build pkg-config
    qt6-base-dev qt6-translations-l10n
    firebird-dev libfbclient2 firebird3.0-server firebird3.0-server-core firebird3.0-utils
    libxml2-dev libicu-dev libjpeg-dev libwmf-dev fonts-urw-base35
    libavformat-dev libavcodec-dev libswscale-dev libcups2-dev cups-daemon cups-client
    libavahi-client-dev avahi-daemon avahi-utils dbus-daemon
    googletest libgtest-dev
    fonts-ipafont-gothic fonts-ipafont-mincho fonts-noto-cjk
    xauth xvfb xdotool imagemagick poppler-utils ccache
)

missing=()
for p in "${PACKAGES[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
    [[ "$status" == "install ok installed" ]] || missing+=("$p")
done

if ((${#missing[@]})); then
    echo "Installing: ${missing[*]}"
    SUDO=""
    if [[ $(id -u) -ne 0 ]]; then SUDO="sudo"; fi
    $SUDO apt-get update
    $SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}"
fi

cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE="$BUILD_TYPE"
cmake --build "$BUILD_DIR" -j "$(nproc)"
