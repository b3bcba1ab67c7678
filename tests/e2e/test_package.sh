#!/usr/bin/env bash
# Checks what the install rules install and that the installed program follows its pages:
# cmake --install into a DESTDIR (as a package build does) and to a prefix, then the prefix
# moved elsewhere; each installed program, run on a private X server, shows its help page.
# With --deb, the same for a built Debian package instead: its fields, its files under
# /usr/games and /usr/share, the documents Debian wants, and the unpacked program's help page.
#   $1          the zelphor executable of the build tree
#   --deb DEB   the package (scripts/build-deb.sh --check passes it)
set -euo pipefail
# shellcheck source=tests/e2e/common.sh
source "$(dirname "$0")/common.sh"

deb=""
binary=""
if [ "${1:-}" = --deb ]; then
    deb=$(realpath "$2")
else
    binary=$(realpath "$1")
    build=$(dirname "$binary")
fi
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
app_id=org.zelphor.Zelphor
pages=(help.htm AboutBox.htm Appreciation.htm Composing.htm HistGeogMaths.htm Theory.htm
       Practical.htm)
soundfonts="timgm6mb-soundfont | fluid-soundfont-gm | sf3-soundfont-gm"

unset ZELPHOR_DATA_DIR
export QT_QPA_PLATFORM=offscreen PULSE_SERVER=unix:/nonexistent

work=$(mktemp -d)
# cmake --install rewrites the build's install manifest, which the user may need for
# uninstalling; put it back as it was.
manifest=${build:-$work}/install_manifest.txt
had_manifest=0
if [ -n "$binary" ] && [ -e "$manifest" ]; then
    cp -p "$manifest" "$work/install_manifest.saved"
    had_manifest=1
fi
restore() {
    local status=$?
    set +e
    if [ "$had_manifest" = 1 ]; then
        cp -p "$work/install_manifest.saved" "$manifest"
    elif [ -n "$binary" ]; then
        rm -f "$manifest"
    fi
    rm -rf "$work"
    # The private X server and the files kept on a failure, as every end-to-end script does.
    (exit "$status")
    e2e_cleanup
}
trap restore EXIT

failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}
check_file() { [ -f "$1" ] || fail "missing ${1#"$work"/}"; }

tools=(desktop-file-validate appstreamcli file Xvfb xdotool import compare)
[ -n "$deb" ] && tools+=(dpkg-deb dpkg-parsechangelog readelf)
for tool in "${tools[@]}"; do
    command -v "$tool" >/dev/null || { echo "FAIL: $tool is not installed" >&2; exit 1; }
done
version=$(sed -n 's/^project(zelphor VERSION \([0-9.]*\).*/\1/p' "$source_dir/CMakeLists.txt")

help_window() { [ -n "$(windows_named "Zelphor Help")" ]; }

# Starts the program at $1 without sound (with ZELPHOR_DATA_DIR=$3 when given), opens Help
# with H, takes a picture of the Help window into $2 and stops the program; false when no
# picture was taken.
help_window_picture() {
    local pid w
    rm -f "$2"
    if [ -n "${3:-}" ]; then
        ZELPHOR_DATA_DIR=$3 QT_QPA_PLATFORM=xcb "$1" --mute >>"$E2E_WORK/zelphor.log" 2>&1 &
    else
        QT_QPA_PLATFORM=xcb "$1" --mute >>"$E2E_WORK/zelphor.log" 2>&1 &
    fi
    pid=$!
    E2E_PIDS+=("$pid")
    if wait_for 30 window_with_geometry Zelphor "0 0 1024 768"; then
        xdotool key h || true
        if wait_for 10 help_window; then
            w=$(windows_named "Zelphor Help" | head -n 1)
            sleep 0.5 # the page is laid out and painted
            import -window "$w" "$2" || true
        fi
    fi
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    [ -f "$2" ]
}

# The program at $1 shows the same help page as when ZELPHOR_DATA_DIR names $2: it reads its
# pages from $2, where it would otherwise say the page could not be found and where it looked.
check_data_folder() {
    local name=${1#"$work"/} expected found
    expected=$E2E_WORK/help-${name//\//-}-expected.png
    found=$E2E_WORK/help-${name//\//-}.png
    [ -f "$2/help.htm" ] || { fail "no help.htm in ${2#"$work"/}"; return 0; }
    help_window_picture "$1" "$expected" "$2" ||
        { fail "$name with ZELPHOR_DATA_DIR showed no Help window"; return 0; }
    help_window_picture "$1" "$found" || { fail "$name showed no Help window"; return 0; }
    [ "$(compare -metric AE "$expected" "$found" null: 2>&1)" = 0 ] ||
        fail "$name does not show the help page of ${2#"$work"/}"
}

# Checks an installed tree under prefix $1 with the program in $1/$2 (bin, or games).
check_tree() {
    local prefix=$1 share=$1/share page f
    [ -x "$prefix/$2/zelphor" ] || fail "missing executable ${prefix#"$work"/}/$2/zelphor"
    for page in "${pages[@]}"; do
        check_file "$share/zelphor/$page"
    done
    for page in "$source_dir"/windows/pages/*; do
        [ -e "$page" ] && check_file "$share/zelphor/$(basename "$page")"
    done
    local desktop=$share/applications/$app_id.desktop
    local metainfo=$share/metainfo/$app_id.metainfo.xml
    local png=$share/icons/hicolor/48x48/apps/$app_id.png
    local svg=$share/icons/hicolor/scalable/apps/$app_id.svg
    local man=$share/man/man6/zelphor.6.gz
    for f in "$desktop" "$metainfo" "$png" "$svg" "$man"; do
        check_file "$f"
    done
    [ -f "$desktop" ] && {
        desktop-file-validate "$desktop" || fail "desktop-file-validate rejects the desktop entry"
        grep -qx "Exec=zelphor" "$desktop" || fail "the desktop entry does not start zelphor"
        grep -qx "Icon=$app_id" "$desktop" || fail "the desktop entry names another icon"
        grep -qx "StartupWMClass=Zelphor" "$desktop" ||
            fail "the desktop entry does not name the windows' class"
    }
    [ -f "$metainfo" ] && {
        appstreamcli validate --no-net "$metainfo" >"$work/appstream.log" 2>&1 ||
            { cat "$work/appstream.log" >&2; fail "appstreamcli rejects the metainfo"; }
        grep -q "<launchable type=\"desktop-id\">$app_id.desktop</launchable>" "$metainfo" ||
            fail "the metainfo does not launch the installed desktop entry"
        grep -q "<project_license>MIT</project_license>" "$metainfo" ||
            fail "the metainfo gives no MIT project licence"
        grep -q '\.example' "$metainfo" && fail "the metainfo names an invented address"
    }
    [ -f "$png" ] && { file "$png" | grep "PNG image data, 48 x 48" >/dev/null || fail "the PNG icon is not 48 x 48"; }
    [ -f "$svg" ] && { grep -q "<svg" "$svg" || fail "the scalable icon is not an SVG"; }
    [ -f "$man" ] && {
        gzip -t "$man" || fail "the manual page is not a valid gzip file"
        gzip -dc "$man" | grep "^\.TH ZELPHOR 6 .*\"Zelphor $version\"" >/dev/null ||
            fail "the manual page's heading does not name section 6 and version $version"
    }
    return 0
}

start_x

# The package built by dpkg-buildpackage, unpacked: fields, files, documents, help page.
check_deb() {
    local field expected depends doc root=$work/root
    expected=$(dpkg-parsechangelog -l "$source_dir/debian/changelog" -S Version)
    for field in "Package zelphor" "Version $expected" "Section games" "Priority optional"; do
        [ "$(dpkg-deb -f "$deb" "${field% *}")" = "${field#* }" ] ||
            fail "the package's ${field% *} is not ${field#* }"
    done
    depends=$(dpkg-deb -f "$deb" Depends)
    [[ $depends == *"$soundfonts"* ]] || fail "Depends lacks the sound fonts: $depends"
    dpkg-deb -x "$deb" "$root"
    # The libraries come from dpkg-shlibdeps; these show that it ran.
    [[ $depends == *libc6* ]] || fail "Depends lacks the C library: $depends"
    [[ $depends == *libqt6* ]] || fail "Depends lacks Qt: $depends"
    if readelf -d "$root/usr/games/zelphor" | grep 'NEEDED.*libfluidsynth' >/dev/null; then
        [[ $depends == *libfluidsynth* ]] || fail "Depends lacks the synthesizer library: $depends"
    fi
    dpkg-deb -f "$deb" | grep '\.example' >/dev/null && fail "the package names an invented address"
    # A game: in /usr/games only, not also in /usr/bin.
    [ -e "$root/usr/bin" ] && fail "the package installs to /usr/bin"
    check_tree "$root/usr" games
    # The licence and both histories where Debian keeps them.
    doc=$root/usr/share/doc/zelphor
    grep -q '^License: MIT' "$doc/copyright" || fail "the package has no MIT copyright file"
    gzip -dc "$doc/changelog.Debian.gz" | sed -n 1p | grep -F "zelphor ($expected)" >/dev/null ||
        fail "the package's Debian changelog does not start with $expected"
    gzip -dc "$doc/changelog.gz" | grep -F "## $version" >/dev/null ||
        fail "the package's changelog has no entry for $version"
    # Found through ../share/zelphor from /usr/games.
    check_data_folder "$root/usr/games/zelphor" "$root/usr/share/zelphor"
}

start_x

if [ -n "$deb" ]; then
    echo "== Debian package"
    check_deb
    if [ "$failures" -ne 0 ]; then
        echo "$failures check(s) failed" >&2
        exit 1
    fi
    echo "Debian package OK"
    exit 0
fi

cmake=$(sed -n 's/^CMAKE_COMMAND:INTERNAL=//p' "$build/CMakeCache.txt")
[ -x "$cmake" ] || cmake=cmake

echo "== cmake --install into a DESTDIR"
DESTDIR=$work/destdir "$cmake" --install "$build" --prefix /usr >"$work/install.log" 2>&1 ||
    { cat "$work/install.log" >&2; echo "FAIL: cmake --install into a DESTDIR failed" >&2; exit 1; }
check_tree "$work/destdir/usr" bin
[ "$(find "$work/destdir" -mindepth 1 -maxdepth 1)" = "$work/destdir/usr" ] ||
    fail "the install with prefix /usr wrote outside usr"
for f in LICENSE CHANGELOG.md; do
    check_file "$work/destdir/usr/share/doc/zelphor/$f"
done
check_data_folder "$work/destdir/usr/bin/zelphor" "$work/destdir/usr/share/zelphor"

echo "== cmake --install"
"$cmake" --install "$build" --prefix "$work/prefix" >"$work/install.log" 2>&1 ||
    { cat "$work/install.log" >&2; echo "FAIL: cmake --install failed" >&2; exit 1; }
check_tree "$work/prefix" bin
# The manifest is what uninstalling deletes; its last line has no newline.
while IFS= read -r installed || [ -n "$installed" ]; do
    [ -e "$installed" ] || fail "the install manifest lists $installed, which is not there"
done <"$manifest"
grep -qxF "$work/prefix/bin/zelphor" "$manifest" || fail "the install manifest lacks the executable"

check_data_folder "$work/prefix/bin/zelphor" "$work/prefix/share/zelphor"
mv "$work/prefix" "$work/moved"
check_data_folder "$work/moved/bin/zelphor" "$work/moved/share/zelphor"

if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed" >&2
    exit 1
fi
echo "package and install layout OK"
