#!/usr/bin/env bash
# On a virtual X display, against bbstatsd on its default addresses
# (127.0.0.1-3:8461), prints the Batters window from the keyboard only:
# Options > Print, ">>" to move every column, "Print Pre&view" (twice, each
# closed with Escape), then "OK to Print": with no printer installed the
# print goes to a PDF file named in the save dialog. Checks that the preview
# shows text, that the PDF has one page holding one-bit glyph pictures
# (stored losslessly, each once) and ink where the rows are, and takes
# screenshots into $BBSTATS_E2E_SHOTS (default: the test's temporary
# folder). Then a result that grows before the print: Select Player "Ruth,
# Babe" and Team "Boston Red Sox" (6 rows), Limit HR 2 to 99 (5 rows), Ctrl+Z
# (6 rows again), printed into a second PDF file: its rows, read back from
# the glyph pictures in drawing order, are the service's answer, 1914-1919.
# Exit closes the client with exit code 0. Needs the default ports: runs
# alone.
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

e2e_start_service "$service" "$db" --log-bodies
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

# A result that grows before the print.
log=$work/requests.log
bat=/cgi-bin/getbat.exe
nl='\\x0d\\x0a'
end='\\x1a'
mark() { wc -l <"$log"; }
focus_main() { xdotool windowfocus --sync "$main" 2>/dev/null || true; }
# Waits up to 15 s for a Batters page request after line $1 whose body (as
# logged) matches the extended regular expression $2; prints the body.
await_body() {
    local after=$1 pattern=$2 found=""
    for _ in $(seq 1 150); do
        found=$(tail -n +"$((after + 1))" "$log" | sed -n "s#^POST $bat ##p" |
            grep -E -- "^$pattern\$" | tail -1 || true)
        [ -n "$found" ] && break
        sleep 0.1
    done
    [ -n "$found" ] || fail "$3: no request with a body matching $pattern"
    printf '%s\n' "$found"
}
# The service's answer to body $1 (logged form), in $work/reply.
answer() {
    printf '%b' "$1" >"$work/body"
    curl -s --max-time 60 --data-binary @"$work/body" -o "$work/reply" "http://127.0.0.1:8461$bat" ||
        fail "the service did not answer the body $1"
    tr -d '\r' <"$work/reply" >"$work/reply.txt"
}
# Ticks entry $2 of the open pick list titled $1 (typed: the list jumps to
# it) and closes the dialog with OK.
pick() {
    await_window "$1" >/dev/null
    xdotool type --delay 60 "$2"
    # Space ticks once the type-ahead pause is over.
    sleep 1
    xdotool key space Return
    await_gone "$1"
}
selected="ARuth, Babe$nl\\*${nl}BBoston Red Sox$nl\\*"

at=$(mark)
focus_main
xdotool key --delay 150 alt+b Right Return
pick "Baseball Batters - Select Player" "Ruth, Babe"
focus_main
xdotool key --delay 150 alt+b Right Down Return
pick "Baseball Batters - Select Team" "Boston Red"
await_body "$at" "0![0-9]+!300!$nl$selected$nl$end" "Select Ruth and the Red Sox" >/dev/null

# Limit: "HR  - Home Runs" (16 down from the first field), 2 to 99.
at=$(mark)
focus_main
xdotool key alt+l
await_window "Baseball Batters - Limit Options" >/dev/null
xdotool key --delay 40 $(printf 'Down %.0s' $(seq 1 16))
xdotool key Tab ctrl+a
xdotool type --delay 40 2
xdotool key Tab ctrl+a
xdotool type --delay 40 99
xdotool key Return
await_gone "Baseball Batters - Limit Options"
limited=$(await_body "$at" "0![0-9]+!300!$nl${selected}${nl}E16!2!99!$nl\\*$nl$end" "Limit HR")
answer "$limited"
[ "$(head -1 "$work/reply.txt")" = 5 ] || fail "HR 2 to 99 left $(head -1 "$work/reply.txt") rows, not 5"

# Ctrl+Z: the six rows again.
at=$(mark)
focus_main
xdotool key ctrl+z
undone=$(await_body "$at" "0![0-9]+!300!$nl$selected$nl$end" "Undo")
rows=$(printf '%s' "$undone" | cut -d'!' -f2)
answer "$undone"
total=$(head -1 "$work/reply.txt")
[ "$total" = 6 ] || fail "Ruth with the Red Sox has $total rows, not 6"
# Years of the answer: each record is (lines - 1) / (rows + 1) lines, the
# year its second.
lines=$(wc -l <"$work/reply.txt")
per=$(((lines - 1) / (rows + 1)))
expected=$(awk -v per="$per" -v n="$total" 'NR > 1 && (NR - 2) % per == 1 && (NR - 2) / per < n' \
    "$work/reply.txt" | paste -sd' ')
[ "$expected" = "1914 1915 1916 1917 1918 1919" ] || fail "the service answers the years $expected"

# Print every column into a second PDF file.
sleep 1
focus_main
xdotool key --delay 150 alt+o p
await_window "Print Options" >/dev/null
xdotool key --delay 120 Tab Tab space
xdotool key Return
await_window "Print to PDF File" >/dev/null
grown=$work/grown.pdf
xdotool key ctrl+a
xdotool type --delay 20 "$grown"
xdotool key Return
await_gone "Print to PDF File"
await_gone "Print Options"
for _ in $(seq 1 100); do
    [ -s "$grown" ] && break
    sleep 0.1
done
[ -s "$grown" ] || fail "no PDF file was written for the grown result"
sleep 0.5
cp "$grown" "$shots/print-grown.pdf"

# The page as text: each glyph picture, in the order it is drawn, named by
# the glyph file it was made from (blanks draw nothing, so the text runs on).
glyphs=$(dirname "$cobrand")/glyphs
declare -A char_of
for file in "$glyphs"/R-*.png; do
    name=$(basename "$file" .png)
    case $name in
    R-U?) c=${name#R-U} ;;
    R-L?) c=$(tr 'A-Z' 'a-z' <<<"${name#R-L}") ;;
    R-COMMA) c=, ;; R-DASH) c=- ;; R-PERIOD) c=. ;; R-DOUBLEQUOTE) c='"' ;; R-SINGLEQUOTE) c="'" ;;
    *) c=${name#R-} ;;
    esac
    char_of[$(convert "$file" -depth 8 gray:- | md5sum | cut -c1-32)]=$c
done
mkdir "$work/placed"
pdfimages -png "$grown" "$work/placed/g"
declare -A file_char
text=""
for file in $(ls "$work/placed" | sort); do
    sum=$(md5sum <"$work/placed/$file" | cut -c1-32)
    if [ -z "${file_char[$sum]+set}" ]; then
        pixels=$(convert "$work/placed/$file" -depth 8 gray:- | md5sum | cut -c1-32)
        file_char[$sum]=${char_of[$pixels]:-?}
    fi
    text+=${file_char[$sum]}
done
printf '%s\n' "$text" >"$work/grown.txt"
[[ $text == *TOTALS* ]] || fail "the grown printout has no TOTALS line: $text"
printed=$(grep -o 'Ruth,Babe[0-9]\{4\}' "$work/grown.txt" | cut -c10- | paste -sd' ')
[ "$printed" = "$expected" ] ||
    fail "the printout holds the years '$printed', the service's answer '$expected'"

exit_client
echo "PASS"
