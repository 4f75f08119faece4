#!/usr/bin/env bash
# Installs every Debian package that building, running and testing the editor needs.
# Idempotent: packages already present are left alone. Works as root or through sudo.
# zenity gives the editor's file dialogs the desktop's own look (the framework runs it when found);
# tesseract and python3-xlib serve the outside-driven scenarios (reading the screen, closing the
# window as a window manager does).
set -euo pipefail

packages=(
  g++ cmake make pkg-config ccache
  juce-modules-source
  libx11-dev libxrandr-dev libxinerama-dev libxcursor-dev libxext-dev
  libfreetype-dev libfontconfig1-dev libasound2-dev libpng-dev libjpeg-dev
  fonts-liberation
  googletest libgtest-dev
  xvfb evilwm xdotool x11-utils imagemagick
  zenity
  tesseract-ocr tesseract-ocr-eng python3-xlib
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -eq 0 ]; then sudo=(); else sudo=(sudo); fi
echo "Installing: ${missing[*]}"
"${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq
"${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
