#!/usr/bin/env bash
# Draws the pictures of the main window's header band with ImageMagick and
# writes them, with the resource list header.qrc, into resources/header:
# the five sister-site logos (120 x 60) and the logos of the four sample
# partners of the demonstration rotation (200 x 56). Run it from anywhere
# after changing a picture here; the output is committed.
set -euo pipefail
out="$(cd "$(dirname "$0")/../../resources" && pwd)/header"
mkdir -p "$out"
sans=/usr/share/fonts/truetype/liberation/LiberationSans-Bold.ttf
serif=/usr/share/fonts/truetype/liberation/LiberationSerif-Bold.ttf
narrow=/usr/share/fonts/truetype/liberation/LiberationSansNarrow-Bold.ttf

# A logo: size, background, border colour, text colour, font, point size of
# the first line, first line, second line, file.
logo() {
    local size=$1 bg=$2 border=$3 fg=$4 font=$5 pt=$6 first=$7 second=$8 file=$9
    convert -size "$size" "xc:$bg" -fill none -stroke "$border" -strokewidth 3 \
        -draw "rectangle 1,1 $((${size%x*} - 2)),$((${size#*x} - 2))" -stroke none \
        -font "$font" -fill "$fg" -pointsize "$pt" -gravity north -annotate +0+8 "$first" \
        -font "$sans" -pointsize 10 -gravity south -annotate +0+7 "$second" \
        -type TrueColor "PNG24:$out/$file"
}

logo 120x60 '#1F5130' '#E0B000' white "$sans" 15 FOOTBALL "all-time stats" sister1.png
logo 120x60 '#8A3B12' '#F2C14E' white "$sans" 14 BASKETBALL "all-time stats" sister2.png
logo 120x60 '#16385E' '#A8C8E8' white "$sans" 15 HOCKEY "all-time stats" sister3.png
logo 120x60 '#2F5D1E' white white "$sans" 15 SOCCER "all-time stats" sister4.png
logo 120x60 '#4B2C63' '#D9C2EA' white "$sans" 15 GOLF "all-time stats" sister5.png

logo 200x56 '#123A6B' '#C9A227' '#F4E7C0' "$serif" 19 "Harbor City Herald" "sports - baseball - scores" partner1.png
logo 200x56 '#2E6B1F' '#F2D16B' white "$sans" 18 "Prairie Sports Net" "baseball on the plains" partner2.png
logo 200x56 '#6B1E2A' '#E8D2A6' '#FBEFD8' "$serif" 18 "Summit Valley Gazette" "mountain baseball report" partner3.png
logo 200x56 '#0E5C63' '#FFFFFF' '#FFF3A0' "$narrow" 20 "Lakeshore Fans" "every club, every season" partner4.png

{
    echo '<!DOCTYPE RCC>'
    echo '<RCC version="1.0">'
    echo '<qresource prefix="/">'
    for f in sister1 sister2 sister3 sister4 sister5 partner1 partner2 partner3 partner4; do
        echo "    <file>header/$f.png</file>"
    done
    echo '</qresource>'
    echo '</RCC>'
} >"$out/../header.qrc"
