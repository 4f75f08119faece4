#!/usr/bin/env bash
# Installs the Debian packages that one use of the tree needs:
#   tools/setup.sh run      building and running the editor (make build, make run)
#   tools/setup.sh test     those and the test tools (make test, check, test-asan/-tsan/-debug,
#                           fuzz, format-check)
#   tools/setup.sh format   clang-format (make format)
# Idempotent: packages already present are left alone. Works as root or through sudo.
# zenity gives the editor's file dialogs the desktop's own look (the framework runs it when found).
# Of the test tools, googletest builds the unit and end-to-end tests, clang with its runtime the
# fuzz targets; Xvfb with evilwm is the tests' private display; xdotool, x11-utils, imagemagick,
# tesseract and python3-xlib drive and read it in the scenarios (mouse and keys, window
# properties, screenshots, the texts on screen, the window manager's close request); ccache
# shares compiled objects between the builds; clang-format checks the formatting in CI.
set -euo pipefail

run_packages=(
  g++ cmake make pkg-config
  juce-modules-source
  libx11-dev libxrandr-dev libxinerama-dev libxcursor-dev libxext-dev
  libfreetype-dev libfontconfig1-dev libasound2-dev libpng-dev libjpeg-dev
  fonts-liberation
  zenity
)
test_packages=(
  googletest libgtest-dev
  clang-14 libclang-rt-14-dev
  xvfb evilwm xdotool x11-utils imagemagick
  tesseract-ocr tesseract-ocr-eng python3-xlib
  ccache clang-format
)

case "${1:-}" in
  run) packages=("${run_packages[@]}") ;;
  test) packages=("${run_packages[@]}" "${test_packages[@]}") ;;
  format) packages=(clang-format) ;;
  *)
    echo "usage: $0 run|test|format" >&2
    exit 2
    ;;
esac

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -eq 0 ]; then sudo=(); else sudo=(sudo); fi
echo "Installing: ${missing[*]}"
"${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq
"${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
