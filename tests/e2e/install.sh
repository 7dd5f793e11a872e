#!/usr/bin/env bash
# `cmake --install` into a temporary prefix gives a program that finds its
# data there: the files land where the program and desktops look, the glyph
# artwork is the Nastaliq one, its fonts also lie where fontconfig finds them
# for other programs, the installed tools read the prefix's data, and the
# installed program walks the whole road (road.sh) when a virtual display
# can be had.
#
#   install.sh BUILD_DIR KAVITRO_DOC ROAD_SCRIPT ARTEFACT_DIR
set -uo pipefail
BUILD=$1 DOC_TOOL=$2 ROAD=$3 ARTEFACTS=$4
PREFIX=$(mktemp -d)
trap 'rm -rf "$PREFIX"' EXIT
cmake --install "$BUILD" --prefix "$PREFIX" >/dev/null || { echo "FAIL: cmake --install"; exit 1; }
ARTWORK=$BUILD/share/kavitro-nastaliq
[ -e "$ARTWORK/fonts/Vorl21.ttf" ] || { echo "SKIP: the build made no Nastaliq artwork"; exit 77; }
for f in bin/kavitro bin/kavitro-doc bin/kavitro-shape share/kavitro/DefaultKB.kvp share/kavitro/UserDefinedKB.kvp share/kavitro/MarkAnchors.bin \
         share/kavitro/VPFinfo.bin share/kavitro/fonts/Vorl21.ttf share/kavitro/lang/Farsi/pack.json \
         share/kavitro/lang/English/strings.txt share/applications/kavitro.desktop \
         share/mime/packages/kavitro.xml share/icons/hicolor/scalable/apps/kavitro.svg; do
  [ -e "$PREFIX/$f" ] || { echo "FAIL: $f is not installed"; exit 1; }
done
ls "$PREFIX"/share/kavitro/filter/*.kvp >/dev/null 2>&1 || { echo "FAIL: no code-page filters installed"; exit 1; }
[ -e "$PREFIX/share/kavitro/artwork-manifest.txt" ] && { echo "FAIL: a build-only file is installed"; exit 1; }

# One artwork: the Nastaliq one, in the program's data folder and where
# fontconfig looks; the placeholder artwork stays in the build tree.
[ -e "$PREFIX/share/kavitro-nastaliq" ] && { echo "FAIL: a second artwork folder is installed"; exit 1; }
for f in MarkAnchors.bin VPFinfo.bin fonts/Vorl21.ttf fonts/Vorl22.ttf fonts/Vorl23.ttf fonts/Vorl24.ttf fonts/Vorl25.ttf; do
  cmp -s "$ARTWORK/$f" "$PREFIX/share/kavitro/$f" || { echo "FAIL: share/kavitro/$f is not the Nastaliq artwork's"; exit 1; }
done
FONTS=$PREFIX/share/fonts/truetype/kavitro
for n in 1 2 3 4 5; do
  cmp -s "$ARTWORK/fonts/Vorl2$n.ttf" "$FONTS/Vorl2$n.ttf" || { echo "FAIL: Vorl2$n.ttf is not installed for fontconfig"; exit 1; }
done
if command -v fc-match >/dev/null; then
  # A fontconfig that knows only the prefix's font folder, as one that looks
  # in /usr/local/share/fonts or ~/.local/share/fonts knows an install there.
  cat >"$PREFIX/fonts.conf" <<EOF
<?xml version="1.0"?>
<!DOCTYPE fontconfig SYSTEM "urn:fontconfig:fonts.dtd">
<fontconfig><dir>$PREFIX/share/fonts</dir><cachedir>$PREFIX/fontconfig-cache</cachedir></fontconfig>
EOF
  for n in 1 2 3 4 5; do
    found=$(FONTCONFIG_FILE=$PREFIX/fonts.conf fc-match -f '%{family}|%{file}' "Vorl2$n")
    [ "$found" = "Vorl2$n|$FONTS/Vorl2$n.ttf" ] || { echo "FAIL: fontconfig gives '$found' for Vorl2$n"; exit 1; }
  done
  FONTCONFIG_FILE=$PREFIX/fonts.conf fc-list : family | grep -qx Vorl21 || { echo "FAIL: fc-list does not list Vorl21"; exit 1; }
fi

# The installed tools read the prefix's data, with the artwork the program
# draws with: the shapes of a line are those of the Nastaliq artwork.
line='سلام بر دوستان خوب من'
installed=$(printf '%s\n' "$line" | "$PREFIX/bin/kavitro-shape") || { echo "FAIL: installed kavitro-shape"; exit 1; }
built=$(printf '%s\n' "$line" | "$PREFIX/bin/kavitro-shape" --data-dir "$ARTWORK") || { echo "FAIL: kavitro-shape"; exit 1; }
[ "$installed" = "$built" ] || { echo "FAIL: the installed kavitro-shape does not draw with the Nastaliq artwork"; exit 1; }
QT_QPA_PLATFORM=offscreen "$PREFIX/bin/kavitro-doc" new "$PREFIX/line.kv2" --text "$line" >/dev/null &&
  QT_QPA_PLATFORM=offscreen "$PREFIX/bin/kavitro-doc" export "$PREFIX/line.kv2" "$PREFIX/line.png" --page 0 --format png >/dev/null ||
  { echo "FAIL: the installed kavitro-doc cannot make and export a page"; exit 1; }
if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$PREFIX/share/applications/kavitro.desktop" || { echo "FAIL: desktop entry"; exit 1; }
fi
# The build tree must play no part: the program is started from the prefix.
"$ROAD" "$PREFIX/bin/kavitro" "$DOC_TOOL" English "$ARTEFACTS/installed"
