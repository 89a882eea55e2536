#!/usr/bin/env bash
# Renders the exit dialog's pictures and the window icon into resources/images/.
# The results are committed; run this again only after changing the design here.
# Needs ImageMagick 6 and the WenQuanYi Zen Hei font (fonts-wqy-zenhei).
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
OUT="$ROOT/resources/images"
CONVERT=/usr/bin/convert   # the real ImageMagick, whatever else is on PATH
FONT=/usr/share/fonts/truetype/wqy/wqy-zenhei.ttc
[ -x "$CONVERT" ] || { echo "ImageMagick (convert) is missing" >&2; exit 1; }
[ -f "$FONT" ] || { echo "font missing: $FONT" >&2; exit 1; }
mkdir -p "$OUT"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# ---- Background, 600 x 330, JPEG --------------------------------------------------------------
# Cream panel, button band from y=205, tan border, the question at a third of the height.
$CONVERT -size 600x330 gradient:'#FFFCF3'-'#FAF0DA' \
  \( -size 600x125 gradient:'#F2E2C0'-'#E8D2A8' \) -geometry +0+205 -composite \
  -fill '#D8BC8A' -draw 'rectangle 0,205 599,205' \
  -fill '#FFF9EC' -draw 'rectangle 0,206 599,206' \
  -fill none -stroke '#FFFFFF' -strokewidth 1 -draw 'rectangle 2,2 597,327' \
  -stroke '#C49A5C' -draw 'rectangle 0,0 599,329' \
  -stroke '#E3C99A' -draw 'rectangle 1,1 598,328' \
  -stroke none \
  -fill '#D9B98A' -draw 'rectangle 150,158 450,158' \
  -fill '#C9A46A' -draw 'translate 300,158 rotate 45 rectangle -3,-3 3,3' \
  -font "$FONT" -pointsize 32 -gravity north \
  -fill '#FFFFFF' -annotate +1+89 '确定要退出游戏吗?' \
  -fill '#6E3B17' -annotate +0+88 '确定要退出游戏吗?' \
  -quality 93 -sampling-factor 1x1 -strip "$OUT/hint_background.jpg"

# ---- Buttons, 240 x 100, 32-bit with alpha ------------------------------------------------------
# A soft shadow below a rounded face with a vertical gradient, a darker rim, a glossy upper
# half and the white label with a faint dark drop. Corners stay fully transparent.
button() { # out top bottom rim label
  local out=$1 top=$2 bottom=$3 rim=$4 label=$5
  # Face mask and the gloss mask (upper part of the face, inset).
  $CONVERT -size 240x100 xc:black -fill white -draw 'roundrectangle 4,3 235,91 18,18' "$tmp/face.png"
  $CONVERT -size 240x100 xc:black -fill white -draw 'roundrectangle 7,5 232,48 15,15' \
    \( -size 240x100 gradient:'#909090'-'#101010' \) -compose multiply -composite "$tmp/gloss.png"
  # Shadow: the face shape, moved down, blurred.
  $CONVERT -size 240x100 xc:none -fill 'rgba(60,30,0,0.45)' -draw 'roundrectangle 6,8 233,95 18,18' \
    -channel A -blur 0x2.5 +channel "$tmp/shadow.png"
  # Face: gradient cut to the mask.
  $CONVERT -size 240x100 gradient:"$top"-"$bottom" "$tmp/face.png" -alpha off -compose copy_opacity -composite \
    "$tmp/facec.png"
  # Gloss: white with the gloss mask as alpha.
  $CONVERT -size 240x100 xc:white "$tmp/gloss.png" -alpha off -compose copy_opacity -composite "$tmp/glossc.png"
  $CONVERT "$tmp/shadow.png" "$tmp/facec.png" -compose over -composite \
    "$tmp/glossc.png" -compose over -composite \
    -fill none -stroke "$rim" -strokewidth 1.2 -draw 'roundrectangle 4.5,3.5 234.5,90.5 18,18' -stroke none \
    -font "$FONT" -pointsize 34 -gravity center \
    -fill 'rgba(0,0,0,0.28)' -annotate +1-2 "$label" \
    -fill '#FFFFFF' -stroke '#FFFFFF' -strokewidth 0.7 -annotate +0-4 "$label" -stroke none \
    -define bmp:format=bmp4 -type TrueColorAlpha "BMP:$out"
}
button "$OUT/hint_stay.bmp" '#FFC266' '#EE7410' '#C2580A' '再玩一会'
button "$OUT/hint_exit.bmp" '#6BBEF7' '#1E6BCC' '#17529C' '退出'

# ---- Window icon, 16 to 256 ----------------------------------------------------------------------
$CONVERT -size 256x256 gradient:'#F0B457'-'#9A4F16' \
  \( -size 256x256 xc:black -fill white -draw 'roundrectangle 8,8 247,247 52,52' \) \
  -alpha off -compose copy_opacity -composite -compose over \
  -fill none -stroke '#FFE3A3' -strokewidth 6 -draw 'roundrectangle 14,14 241,241 46,46' -stroke none \
  -font "$FONT" -pointsize 170 -gravity center \
  -fill 'rgba(60,25,0,0.35)' -annotate +4+4 '澜' -fill '#FFFFFF' -annotate +0+0 '澜' \
  "$tmp/icon256.png"
for s in 16 24 32 48; do $CONVERT "$tmp/icon256.png" -resize ${s}x${s} -unsharp 0x0.6 "$tmp/icon$s.png"; done
$CONVERT "$tmp/icon16.png" "$tmp/icon24.png" "$tmp/icon32.png" "$tmp/icon48.png" "$tmp/icon256.png" -depth 8 "$OUT/lzgmin.ico"

echo "pictures written to $OUT"
