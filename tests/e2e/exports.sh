#!/usr/bin/env bash
# Other programs open our page exports as a user would, with the glyph fonts
# of a `cmake --install` into a temporary prefix found through a fontconfig
# file that names it: LibreOffice converts the EMF, WMF and EPS, Inkscape the
# EMF and WMF (its EPS import is checked by print_export_tests). Each
# rendering must show the writing of our PNG of the same page, compared by
# ink overlap after trimming so that resolution and margins play no part,
# and an EMF must keep the page's real size. The renderings stay in
# ARTEFACT_DIR/exports.
#
#   exports.sh BUILD_DIR ARTEFACT_DIR
set -uo pipefail
BUILD=$1 OUT=$2/exports
for tool in soffice inkscape convert pdftoppm; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
PREFIX=$(mktemp -d)
trap 'rm -rf "$PREFIX"' EXIT
cmake --install "$BUILD" --prefix "$PREFIX" >/dev/null || { echo "FAIL: cmake --install"; exit 1; }
[ -e "$PREFIX/share/fonts/truetype/kavitro/Vorl21.ttf" ] || { echo "SKIP: the build made no Nastaliq artwork"; exit 77; }
cat >"$PREFIX/fonts.conf" <<EOF
<?xml version="1.0"?>
<!DOCTYPE fontconfig SYSTEM "urn:fontconfig:fonts.dtd">
<fontconfig><include ignore_missing="yes">/etc/fonts/fonts.conf</include>
<dir>$PREFIX/share/fonts</dir><cachedir>$PREFIX/fontconfig-cache</cachedir></fontconfig>
EOF
# Both programs keep their profiles in the temporary home; Inkscape's
# extensions need the system's Python whatever python3 comes first on PATH.
export FONTCONFIG_FILE=$PREFIX/fonts.conf HOME=$PREFIX QT_QPA_PLATFORM=offscreen PATH=/usr/bin:/bin:$PATH
unset DISPLAY
rm -rf "$OUT"
mkdir -p "$OUT"
fail() { echo "FAIL: $*"; exit 1; }

# Two documents of a line of writing each, exported by the installed tool.
# Inkscape reads the glyph codes 0x80..0x9F as control characters and draws
# nothing for them (its own limit: our files name the glyphs as every other
# reader expects), so it is given a line whose glyphs all lie outside that
# range.
DOC=$PREFIX/bin/kavitro-doc
"$DOC" new "$OUT/page.kv2" --text 'سلام بر دوستان خوب' >/dev/null || fail "kavitro-doc new"
"$DOC" new "$OUT/short.kv2" --text 'سلام دوست من' >/dev/null || fail "kavitro-doc new"
for page in page short; do
  for f in png emf wmf eps; do
    "$DOC" export "$OUT/$page.kv2" "$OUT/$page.$f" --page 0 --format "$f" >/dev/null || fail "kavitro-doc export $page.$f"
  done
done

# LibreOffice makes a PDF of each file (one start for all three), rendered
# at 300 dpi; Inkscape renders at 300 dpi.
for f in emf wmf eps; do cp "$OUT/page.$f" "$PREFIX/libreoffice-$f.$f"; done
timeout 240 soffice --headless -env:UserInstallation="file://$PREFIX/lo-profile" --convert-to pdf --outdir "$PREFIX" \
  "$PREFIX"/libreoffice-emf.emf "$PREFIX"/libreoffice-wmf.wmf "$PREFIX"/libreoffice-eps.eps >/dev/null 2>&1 ||
  fail "LibreOffice could not convert the exports"
for f in emf wmf eps; do
  pdftoppm -r 300 -png -singlefile "$PREFIX/libreoffice-$f.pdf" "$OUT/libreoffice-$f" || fail "LibreOffice made no PDF of page.$f"
done
for f in emf wmf; do
  timeout 120 inkscape --export-type=png --export-dpi=300 --export-background=white --export-background-opacity=1 \
    --export-filename="$OUT/inkscape-$f.png" "$OUT/short.$f" >"$OUT/inkscape-$f.log" 2>&1 ||
    fail "Inkscape could not convert short.$f (see inkscape-$f.log)"
done

# The ink of a picture: dark pixels on white, cut to their extent and
# scaled to one size.
ink() { convert "$1" -background white -flatten -colorspace Gray -trim +repage -resize '300x60!' -threshold 50% "$2"; }
black() { convert "$@" -format '%[fx:w*h*(1-mean)]' info:; }
# Shared ink over the ink of either picture: 1 for the same shapes, about
# 0.1 for the writing mirrored.
overlap() {
  local both either
  both=$(black "$1" "$2" -compose Lighten -composite)
  either=$(black "$1" "$2" -compose Darken -composite)
  awk -v b="$both" -v e="$either" 'BEGIN { printf "%.3f", (e > 0 ? b / e : 0) }'
}
# The width of the writing in millimetres, at a resolution in pixels per
# millimetre.
width_mm() { convert "$1" -background white -flatten -colorspace Gray -threshold 50% -trim -format '%w' info: |
               awk -v r="$2" '{ printf "%.2f", $1 / r }'; }
ink "$OUT/page.png" "$PREFIX/page-ink.png"
ink "$OUT/short.png" "$PREFIX/short-ink.png"

# LibreOffice draws the EMF's text a little heavier, hence its lower bar.
status=0
for r in libreoffice-emf:page:0.65 libreoffice-wmf:page:0.85 libreoffice-eps:page:0.85 \
         inkscape-emf:short:0.85 inkscape-wmf:short:0.85; do
  IFS=: read -r name page least <<<"$r"
  [ -s "$OUT/$name.png" ] || fail "$name wrote no picture"
  ink "$OUT/$name.png" "$PREFIX/$name-ink.png"
  o=$(overlap "$PREFIX/$name-ink.png" "$PREFIX/$page-ink.png")
  echo "$name: ink overlap with our PNG $o"
  awk -v o="$o" -v l="$least" 'BEGIN { exit !(o >= l) }' || { echo "FAIL: $name overlaps our PNG only $o"; status=1; }
done

# An EMF keeps the page's real size: its writing is as wide as in our PNG
# (25 pixels to the millimetre by default), within 3 %.
for r in libreoffice-emf:page inkscape-emf:short; do
  IFS=: read -r name page <<<"$r"
  want=$(width_mm "$OUT/$page.png" 25)
  got=$(width_mm "$OUT/$name.png" "$(awk 'BEGIN { print 300 / 25.4 }')")
  echo "$name: writing ${got} mm wide, ${want} mm in our PNG"
  awk -v a="$want" -v b="$got" 'BEGIN { exit !(b > 0.97 * a && b < 1.03 * a) }' ||
    { echo "FAIL: $name draws the writing ${got} mm wide, not ${want} mm"; status=1; }
done
exit $status
