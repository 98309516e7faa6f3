#!/usr/bin/env bash
# On a virtual X display, against bbstatsd on its default addresses
# (127.0.0.1-3:8461), prints the Batters window from the keyboard only:
# Options > Print, ">>" to move every column, "Print Pre&view" (twice, each
# closed with Escape), then "OK to Print": with no printer installed the
# print goes to a PDF file named in the save dialog. Checks that the preview
# shows text, that the PDF has one page holding one-bit glyph pictures
# (stored losslessly, each once) and ink where the rows are, and takes
# screenshots into $BBSTATS_E2E_SHOTS (default: the test's temporary
# folder). Exit closes the client with exit code 0. Needs the default
# ports: runs alone.
# usage: print_xvfb.sh PACKAGED_CLIENT BBSTATSD DB COBRAND_TXT
set -euo pipefail
client=$1 service=$2 db=$3 cobrand=$4
here=$(cd "$(dirname "$0")" && pwd)

source "$here/e2elib.sh"
e2e_in_xvfb "$@"

shots=${BBSTATS_E2E_SHOTS:-$work/shots}
mkdir -p "$shots"
pdf=$work/printout.pdf

shot() {
    sleep 0.5
    import -window root "$shots/print-$1.png"
}

# Waits up to 15 s for a shown window titled $1 and gives it the focus;
# prints its id.
# Dark pixels in the region WxH+X+Y of screenshot $1.
ink() {
    convert "$1" -crop "$2" +repage -colorspace Gray -threshold 50% -format '%[fx:round(w*h*(1-mean))]' info:
}

e2e_start_service "$service" "$db"
e2e_start_client "$client" "$cobrand"
open_database b "Baseball Batters Statistics" /cgi-bin/getbat.exe 300

# Options > Print: the dialog opens with the focus on the available columns.
xdotool windowfocus --sync "$main" 2>/dev/null || true
xdotool key --delay 150 alt+o p
await_window "Print Options" >/dev/null
shot 1-options
# Tab to ">>" (after ">") and press it: every column goes to print.
xdotool key --delay 120 Tab Tab space
shot 2-all-columns

# Preview twice: each shows the page and closes with Escape.
for round in 1 2; do
    xdotool key alt+v
    preview=$(await_window "Print Preview")
    shot "3-preview-$round"
    eval "$(xdotool getwindowgeometry --shell "$preview")"
    # The text rows under the ruler, in the top-left part of the image.
    dark=$(ink "$shots/print-3-preview-$round.png" "600x300+$((X + 10))+$((Y + 40))")
    [ "$dark" -gt 8000 ] || fail "preview $round shows no rows ($dark dark pixels)"
    xdotool key Escape
    await_gone "Print Preview"
    await_window "Print Options" >/dev/null
done

# OK to Print (the default button): without a printer, a save dialog names
# the PDF file; its name field has the focus.
xdotool key Return
await_window "Print to PDF File" >/dev/null
shot 4-pdf-dialog
xdotool key ctrl+a
xdotool type --delay 20 "$pdf"
xdotool key Return
await_gone "Print to PDF File"
await_gone "Print Options"
for _ in $(seq 1 100); do
    [ -s "$pdf" ] && break
    sleep 0.1
done
[ -s "$pdf" ] || fail "no PDF file was written"
sleep 0.5
cp "$pdf" "$shots/print-printout.pdf"

pages=$(pdfinfo "$pdf" | sed -n 's/^Pages: *//p')
[ "$pages" = 1 ] || fail "the printout has $pages pages, not 1"
# The glyphs are one-bit pictures kept losslessly, each stored once.
pdfimages -list "$pdf" | tail -n +3 >"$work/images"
[ -s "$work/images" ] || fail "the PDF holds no glyph pictures"
awk '$4 != 65 || $5 != 90 || $8 != 1 || $9 == "jpeg" { bad = 1 } END { exit bad }' \
    "$work/images" || fail "a glyph picture is not a lossless one-bit 65x90 image: $(head -3 "$work/images")"
distinct=$(awk '{ print $11 }' "$work/images" | sort -u | wc -l)
[ "$distinct" -le 67 ] || fail "the PDF stores $distinct glyph pictures, more than 67"
pdftoppm -png -r 100 -f 1 -l 1 "$pdf" "$work/page"
page_png=$(ls "$work"/page*.png | head -1)
cp "$page_png" "$shots/print-5-pdf-page.png"
# 128 of 132 columns across the page width: the first rows hold ink.
dark=$(ink "$page_png" "700x200+40+40")
[ "$dark" -gt 500 ] || fail "the PDF page shows no rows ($dark dark pixels)"

exit_client
echo "PASS"
