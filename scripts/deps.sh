#!/usr/bin/env bash
# The one list of Debian packages Kavitro needs to build, test and run.
# Installs only what is missing, so it is cheap to call before every build.
set -euo pipefail

PACKAGES=(
  # toolchain
  g++ cmake ninja-build pkg-config
  # engine
  libfreetype-dev libfontconfig-dev
  # application
  qt6-base-dev qt6-base-dev-tools libqt6printsupport6 libqt6svg6 qt6-image-formats-plugins
  # Qt's own dialogs (colour, print, page setup) in Persian
  qt6-translations-l10n
  libgif-dev libpng-dev
  # the status bar reads the lock keys from the X server
  libx11-dev
  # tests and benchmarks
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  # build-time artwork generation
  python3 python3-fonttools
  # Persian word list used by the typing tests and benchmark
  myspell-fa
  # source of the glyph artwork (an OFL Nastaliq font) and the shaper that reads it
  fonts-noto-core libharfbuzz-bin
  # the typing benchmark's peer: HarfBuzz shaping the same words with that font
  libharfbuzz-dev
  # independent readers that check exported and printed files
  ghostscript emf2svg libwmf-bin poppler-utils libtiff-tools pngcheck imagemagick
  # other programs that import our EPS, EMF and WMF exports, as users open them
  libreoffice-draw inkscape
  # Inkscape reads EPS through its Python extensions (ghostscript's ps2pdf, then inkex)
  python3-lxml python3-cssselect python3-numpy
  # end-to-end tests drive the real program under a virtual display
  xvfb xauth xdotool
  # ... and a window manager for what only one does (maximising), with its remote and x11-utils' probes
  openbox wmctrl x11-utils
  # the clipboard test reads and writes the X clipboard from outside the program
  xclip
)

missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
