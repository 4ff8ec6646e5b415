#!/usr/bin/env bash
# Installs the Debian 12 packages that building, playing and testing Wimbly need,
# skipping those already present. Runs as root (or through sudo when available).
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config
    qt6-base-dev qt6-base-dev-tools qt6-l10n-tools qt6-multimedia-dev qt6-svg-dev libgl-dev
    libqt6sql6-sqlite
    # Saying the animals' names: Qt TextToSpeech, whose CMake files on Debian 12 need the QML
    # development files too, and its speech-dispatcher engine.
    qt6-speech-dev qt6-declarative-dev qt6-speech-speechd-plugin
    fonts-noto-cjk
)
if [[ "${1:-}" == "--test" ]]; then
    packages+=(python3 xvfb x11-utils x11-apps xdotool pulseaudio pulseaudio-utils clang-14 libclang-rt-14-dev
               clang-format desktop-file-utils appstream file lintian ccache weston qt6-wayland
               dbus-daemon at-spi2-core python3-gi
               speech-dispatcher speech-dispatcher-espeak-ng)
fi

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

sudo=()
[[ $(id -u) -ne 0 ]] && sudo=(sudo)
echo "Installing: ${missing[*]}"
"${sudo[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
