#!/usr/bin/env bash
# Builds bbstats_VERSION_amd64.deb and bbstatsd_VERSION_amd64.deb from the
# release build folder with cpack, checks them with lintian (no errors, no
# warnings but those accepted below and listed in the README), checks their
# control fields, desktop entry, AppStream metadata, manual pages and
# service unit, runs the service package's maintainer scripts against
# stand-in /etc and /var/lib folders, then extracts both packages into a
# temporary root and, in a mount and network namespace of its own with the
# source and build folders hidden, imports a small data set with the
# extracted service, serves it on the default addresses and drives the
# extracted client on a virtual X display against it.
# usage: package_test.sh SOURCE_DIR LAHMAN_DIR (LAHMAN_DIR in the environment wins)
set -euo pipefail
src=$(readlink -f "$1") lahman=${LAHMAN_DIR:-$2}
release=$src/build/release

# Lintian warnings kept on purpose (README, "Install from packages").
accepted_warnings=(
)

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

for file in CMakeCache.txt CPackConfig.cmake bbstats bbstatsd packaging/bbstats.1.gz; do
    [ -e "$release/$file" ] || fail "the release build is missing or incomplete ($release/$file" \
        "is absent): run cmake --preset release && cmake --build --preset release first" \
        "(./test does)"
done
for tool in cpack lintian dpkg-deb dpkg-shlibdeps desktop-file-validate appstreamcli \
    systemd-analyze unshare xvfb-run xdotool curl; do
    command -v "$tool" >/dev/null || fail "$tool is not installed (scripts/install-deps test)"
done
for csv in Batting Pitching Fielding Teams People; do
    [ -f "$lahman/$csv.csv" ] || fail "no $csv.csv in the Lahman data folder $lahman"
done

tmp=$(mktemp -d /tmp/bbstats-package.XXXXXX)
trap 'rm -rf "$tmp"' EXIT
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$release/CMakeCache.txt")
arch=$(dpkg --print-architecture)

echo "== cpack"
(cd "$tmp" && cpack -G DEB --config "$release/CPackConfig.cmake" -B "$tmp/out") >"$tmp/cpack.log" 2>&1 ||
    { cat "$tmp/cpack.log" >&2; fail "cpack did not make the packages"; }
client_deb=$tmp/out/bbstats_${version}_${arch}.deb
service_deb=$tmp/out/bbstatsd_${version}_${arch}.deb
[ -f "$client_deb" ] && [ -f "$service_deb" ] ||
    fail "cpack made $(cd "$tmp/out" && echo *.deb), not bbstats_${version}_${arch}.deb and bbstatsd_${version}_${arch}.deb"

echo "== control fields"
field() { dpkg-deb -f "$1" "$2"; }
[ "$(field "$client_deb" Section)" = misc ] || fail "bbstats: Section '$(field "$client_deb" Section)'"
[ "$(field "$service_deb" Section)" = net ] || fail "bbstatsd: Section '$(field "$service_deb" Section)'"
# Depends come from dpkg-shlibdeps: the libraries the programs link.
client_depends=$(field "$client_deb" Depends)
service_depends=$(field "$service_deb" Depends)
for lib in libqt6widgets6 libqt6network6 libc6 libstdc++6; do
    grep -q "\b$lib\b" <<<"$client_depends" || fail "bbstats does not depend on $lib: $client_depends"
done
for lib in libmicrohttpd12 libsqlite3-0 libc6 adduser; do
    grep -q "\b$lib\b" <<<"$service_depends" || fail "bbstatsd does not depend on $lib: $service_depends"
done
grep -q "libqt6" <<<"$service_depends" && fail "bbstatsd depends on Qt: $service_depends"
for deb in "$client_deb" "$service_deb"; do
    grep -q "Lahman Baseball Database by Sean Lahman, licensed under CC BY-SA 3.0" \
        <<<"$(field "$deb" Description | tr -s ' \n' '  ')" ||
        fail "$(basename "$deb"): no data attribution in Description"
done
for script in postinst prerm postrm conffiles; do
    grep -qx "./$script" <<<"$(dpkg-deb --ctrl-tarfile "$service_deb" | tar -t)" ||
        fail "bbstatsd has no $script"
done
grep -qx "/etc/default/bbstatsd" <(dpkg-deb --ctrl-tarfile "$service_deb" | tar -xO ./conffiles) ||
    fail "/etc/default/bbstatsd is not a conffile"

echo "== lintian"
for deb in "$client_deb" "$service_deb"; do
    lintian --no-cfg "$deb" >"$tmp/lintian.log" 2>&1 || true
    cat "$tmp/lintian.log"
    if grep -q '^E: ' "$tmp/lintian.log"; then
        fail "lintian reports errors on $(basename "$deb")"
    fi
    while read -r tag; do
        ok=0
        for accepted in "${accepted_warnings[@]}"; do
            [ "$tag" = "$accepted" ] && ok=1
        done
        [ "$ok" = 1 ] || fail "lintian warning $tag on $(basename "$deb") is not among the accepted ones"
    done < <(sed -n 's/^W: [^:]*: \([^ ]*\).*/\1/p' "$tmp/lintian.log")
done

echo "== extract"
root=$tmp/root
dpkg-deb -x "$client_deb" "$root"
dpkg-deb -x "$service_deb" "$root"
for path in usr/bin/bbstats usr/libexec/bbstats/bbstats usr/share/applications/bbstats.desktop \
    usr/share/icons/hicolor/48x48/apps/bbstats.png usr/share/icons/hicolor/256x256/apps/bbstats.png \
    usr/share/metainfo/bbstats.metainfo.xml usr/share/man/man1/bbstats.1.gz \
    usr/share/doc/bbstats/copyright usr/bin/bbstatsd usr/libexec/bbstatsd/bbstatsd-prepare \
    usr/share/bbstatsd/content/versions.txt usr/lib/systemd/system/bbstatsd.service \
    etc/default/bbstatsd usr/share/man/man8/bbstatsd.8.gz usr/share/doc/bbstatsd/copyright; do
    [ -e "$root/$path" ] || fail "the packages do not install /$path"
done
# The client's file with its co-brand block, as built and not stripped.
cmp -s "$root/usr/libexec/bbstats/bbstats" "$release/bbstats" ||
    fail "the packaged client differs from $release/bbstats (stripped or changed)"
grep -q "Lahman Baseball Database by Sean Lahman, licensed under CC BY-SA 3.0." \
    "$root/usr/share/doc/bbstatsd/copyright" || fail "the copyright file lacks the data's attribution"
# Nothing installed names the build folder.
if grep -rlF "$release" "$root" >"$tmp/paths.log"; then
    fail "installed files name the build folder: $(cat "$tmp/paths.log")"
fi

echo "== desktop entry, AppStream, manual pages"
desktop-file-validate "$root/usr/share/applications/bbstats.desktop" ||
    fail "the desktop entry is not valid"
appstreamcli validate --no-net "$root/usr/share/metainfo/bbstats.metainfo.xml" >"$tmp/as.log" 2>&1 || true
cat "$tmp/as.log"
grep -q '^E: ' "$tmp/as.log" && fail "the AppStream metadata has errors"
for page in man1/bbstats.1.gz man8/bbstatsd.8.gz; do
    warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$root/usr/share/man/$page" 2>&1 >/dev/null)
    [ -z "$warnings" ] || fail "$page: $warnings"
    LC_ALL=C.UTF-8 man -l "$root/usr/share/man/$page" 2>/dev/null | grep -q "Lahman Baseball Database" ||
        fail "$page does not render"
done

echo "== systemd-analyze verify"
# The unit with the host's own units (its targets) in a root of its own, so
# that its commands are found where the package puts them.
verify=$tmp/verify
mkdir -p "$verify/usr/lib/systemd"
cp -a "$root/." "$verify/"
cp -an /lib/systemd/system/. "$verify/usr/lib/systemd/system/"
out=$(systemd-analyze verify --man=no --root="$verify" bbstatsd.service 2>&1) ||
    fail "systemd-analyze verify: $out"
[ -z "$out" ] || fail "systemd-analyze verify: $out"
for key in NoNewPrivileges=yes ProtectSystem=strict ProtectHome=yes PrivateTmp=yes \
    StateDirectory=bbstatsd User=bbstatsd; do
    grep -qx "$key" "$root/usr/lib/systemd/system/bbstatsd.service" || fail "the unit lacks $key"
done

# A small data set: the 1927 season.
data=$tmp/data
mkdir -p "$data"
for csv in Batting Pitching Fielding; do
    awk -F, 'NR == 1 || $2 == 1927' "$lahman/$csv.csv" >"$data/$csv.csv"
done
awk -F, 'NR == 1 || $1 == 1927' "$lahman/Teams.csv" >"$data/Teams.csv"
cp "$lahman/People.csv" "$data/"
cp "$(dirname "$0")/package_run.sh" "$(dirname "$0")/../e2e/e2elib.sh" "$src/resources/cobrand.txt" "$tmp/"

if [ "$(id -u)" -eq 0 ]; then
    echo "== maintainer scripts"
    # Stand-in /etc and /var/lib in a mount namespace: the machine's own stay untouched.
    mkdir -p "$tmp/etc" "$tmp/varlib" "$tmp/units"
    cp -a /etc/. "$tmp/etc/"
    cp -a /usr/lib/systemd/system/. "$root/usr/lib/systemd/system/bbstatsd.service" "$tmp/units/"
    dpkg-deb --ctrl-tarfile "$service_deb" | tar -x -C "$tmp" ./postinst ./postrm ./prerm
    unshare --mount --propagation private bash -euc '
        mount --bind "$1/etc" /etc
        mount --bind "$1/varlib" /var/lib
        mount --bind "$1/units" /usr/lib/systemd/system
        fail() { echo "FAIL: $*" >&2; exit 1; }
        export DPKG_MAINTSCRIPT_PACKAGE=bbstatsd
        wants=/etc/systemd/system/multi-user.target.wants/bbstatsd.service
        DPKG_MAINTSCRIPT_NAME=postinst "$1/postinst" configure ""
        [ -L "$wants" ] || fail "postinst did not enable bbstatsd.service"
        getent passwd bbstatsd >/dev/null || fail "postinst made no user bbstatsd"
        state=/var/lib/bbstatsd
        [ "$(stat -c "%U %a" "$state" "$state/lahman" | tr "\n" " ")" = "bbstatsd 750 bbstatsd 755 " ] ||
            fail "postinst made $state and its lahman/ as $(stat -c "%U %a" "$state" "$state/lahman")"
        # The service account replaces lahman/ by a link to a folder of root
        # and lahman.db by a link to a file of root; an upgrade and a purge
        # run as root must change neither.
        target=/var/lib/root-only
        mkdir -m 0700 "$target"
        echo secret >"$target/secret"
        chmod 0600 "$target/secret"
        runuser -u bbstatsd -- sh -ec "cd $state && mv lahman lahman.real && ln -s $target lahman &&
            ln -s $target/secret lahman.db"
        DPKG_MAINTSCRIPT_NAME=postinst "$1/postinst" configure 1.0
        [ "$(stat -c "%U:%G %a" "$target" "$target/secret" | tr "\n" " ")" = "root:root 700 root:root 600 " ] ||
            fail "the upgrade changed a folder of root through a planted link:" \
                "$(stat -c "%n %U:%G %a" "$target" "$target/secret")"
        DPKG_MAINTSCRIPT_NAME=prerm "$1/prerm" remove
        DPKG_MAINTSCRIPT_NAME=postrm "$1/postrm" remove
        [ -e "$state/lahman.real" ] || fail "removal deleted the data"
        runuser -u bbstatsd -- sh -ec "cd $state && rm lahman && mv lahman.real lahman &&
            echo events >events.db && echo wal >events.db-wal"
        # The administrator copied a CSV file in; purge keeps it and says so.
        echo "playerID" >"$state/lahman/People.csv"
        DPKG_MAINTSCRIPT_NAME=postrm "$1/postrm" purge >"$1/purge.log"
        [ "$(cat "$target/secret")" = secret ] || fail "purge changed a file of root through a link"
        [ "$(cd "$state" && find . | sort | tr "\n" " ")" = ". ./lahman ./lahman/People.csv " ] ||
            fail "purge left $(cd "$state" && find . | sort | tr "\n" " ") instead of the CSV file alone"
        grep -q "kept $state" "$1/purge.log" || fail "purge did not say what it kept: $(cat "$1/purge.log")"
        [ ! -L "$wants" ] || fail "purge left bbstatsd.service enabled"
        # Nothing but what the package made: purge removes the folder.
        rm "$state/lahman/People.csv"
        echo imported >"$state/lahman.db"
        DPKG_MAINTSCRIPT_NAME=postrm "$1/postrm" purge
        [ ! -e "$state" ] || fail "purge left $state: $(cd "$state" && find . | sort | tr "\n" " ")"
    ' maint "$tmp"
    unshare_options=(--mount --net)
else
    echo "== maintainer scripts: not run (they need root)"
    unshare_options=(--user --map-root-user --mount --net)
fi

echo "== the extracted programs, the source and build folders hidden"
BBSTATS_IN_NETNS=1 unshare "${unshare_options[@]}" bash -euc '
    ip link set lo up
    mount -t tmpfs -o ro,size=1m none "$1"
    exec "$2/package_run.sh" "$2" "$1"
' run "$src" "$tmp"
echo "PASS"
