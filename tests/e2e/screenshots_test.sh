#!/usr/bin/env bash
# scripts/make-screenshots runs through and writes every picture it names into
# a folder of the test's own (never into docs/images), and every picture the
# README and docs/ show is one the script makes.
# usage: screenshots_test.sh SOURCE_DIR BUILD_DIR DB
set -euo pipefail
source_dir=$1 build=$2 db=$3
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

"$source_dir/scripts/make-screenshots" "$build" "$out" "$db" || fail "make-screenshots failed"

named=$(sed -n '/^pictures=(/,/)/p' "$source_dir/scripts/make-screenshots" |
    tr -s ' ()\n' '\n' | grep -v -e '^pictures=' -e '^$')
[ "$(printf '%s\n' "$named" | grep -c .)" -ge 5 ] || fail "the script names too few pictures: $named"
for name in $named; do
    [ -s "$out/$name.png" ] || fail "no picture $name.png"
    [ "$(identify -format '%m' "$out/$name.png" 2>/dev/null)" = PNG ] ||
        fail "$name.png does not read as a PNG picture"
done
for shown in $(grep -oh 'images/[a-z0-9-]*\.png' "$source_dir/README.md" "$source_dir"/docs/*.md |
    sort -u); do
    base=$(basename "$shown" .png)
    printf '%s\n' "$named" | grep -qx "$base" || fail "the docs show $shown, which the script does not make"
done
echo "screenshots: $(printf '%s\n' "$named" | grep -c .) pictures made"
