#!/usr/bin/env bash
# Installs what building, running and testing Keystead needs on Debian 12.
# Safe to run again: apt-get only installs what is missing.
set -euo pipefail

packages=(
    # build
    build-essential cmake pkg-config
    juce-modules-source juce-tools
    libasound2-dev libjack-jackd2-dev libfreetype-dev libx11-dev libxrandr-dev libxinerama-dev
    libxext-dev libxcursor-dev libjpeg-dev libpng-dev zlib1g-dev libflac-dev libvorbis-dev libogg-dev
    fonts-dejavu-core fontconfig-config
    libgtest-dev libbenchmark-dev
    googletest  # GoogleTest's sources: the address-sanitizer build compiles them with its own flags
    # headless runs and tests
    xvfb xauth x11-utils xdotool imagemagick jackd2 python3 iproute2
    passwd  # useradd: the settings test makes a user whose home a run as root writes in
    strace  # holds the program's fsync calls for the slow-disk test
)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
    if [ "$(id -u)" -eq 0 ]; then sudo=(); else sudo=(sudo); fi
    export DEBIAN_FRONTEND=noninteractive
    "${sudo[@]}" apt-get update
    # jackd2 asks whether to enable real-time scheduling; the default answer is fine.
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}"
fi
