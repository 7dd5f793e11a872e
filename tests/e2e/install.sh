#!/usr/bin/env bash
# `cmake --install` into a temporary prefix gives a program that finds its
# data there: the files land where the program and desktops look, and the
# installed program walks the whole road (road.sh) when a virtual display
# can be had.
#
#   install.sh BUILD_DIR KAVITRO_DOC ROAD_SCRIPT ARTEFACT_DIR
set -uo pipefail
BUILD=$1 DOC_TOOL=$2 ROAD=$3 ARTEFACTS=$4
PREFIX=$(mktemp -d)
trap 'rm -rf "$PREFIX"' EXIT
cmake --install "$BUILD" --prefix "$PREFIX" >/dev/null || { echo "FAIL: cmake --install"; exit 1; }
for f in bin/kavitro share/kavitro/DefaultKB.kvp share/kavitro/UserDefinedKB.kvp share/kavitro/MarkAnchors.bin \
         share/kavitro/VPFinfo.bin share/kavitro/fonts/Vorl21.ttf share/kavitro/lang/Farsi/pack.json \
         share/kavitro/lang/English/strings.txt share/applications/kavitro.desktop \
         share/mime/packages/kavitro.xml share/icons/hicolor/scalable/apps/kavitro.svg; do
  [ -e "$PREFIX/$f" ] || { echo "FAIL: $f is not installed"; exit 1; }
done
ls "$PREFIX"/share/kavitro/filter/*.kvp >/dev/null 2>&1 || { echo "FAIL: no code-page filters installed"; exit 1; }
[ -e "$PREFIX/share/kavitro/artwork-manifest.txt" ] && { echo "FAIL: a build-only file is installed"; exit 1; }
if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$PREFIX/share/applications/kavitro.desktop" || { echo "FAIL: desktop entry"; exit 1; }
fi
# The build tree must play no part: the program is started from the prefix.
"$ROAD" "$PREFIX/bin/kavitro" "$DOC_TOOL" English "$ARTEFACTS/installed"
