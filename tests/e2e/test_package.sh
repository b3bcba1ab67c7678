#!/usr/bin/env bash
# Builds the Debian package from this build tree and checks what it installs; then installs
# to a prefix with cmake --install, moves the tree and checks the program follows its pages:
# each installed program, run on a private X server, shows its help page.
#   $1  the zelphor executable of the build tree
set -euo pipefail
# shellcheck source=tests/e2e/common.sh
source "$(dirname "$0")/common.sh"

binary=$(realpath "$1")
build=$(dirname "$binary")
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
app_id=org.zelphor.Zelphor
pages=(help.htm AboutBox.htm Appreciation.htm Composing.htm HistGeogMaths.htm Theory.htm
       Practical.htm)
soundfonts="timgm6mb-soundfont | fluid-soundfont-gm | sf3-soundfont-gm"

unset ZELPHOR_DATA_DIR
export QT_QPA_PLATFORM=offscreen PULSE_SERVER=unix:/nonexistent

work=$(mktemp -d)
# Both cpack and cmake --install rewrite the build's install manifest, which the user may
# need for uninstalling; put it back as it was.
manifest=$build/install_manifest.txt
had_manifest=0
if [ -e "$manifest" ]; then
    cp -p "$manifest" "$work/install_manifest.saved"
    had_manifest=1
fi
restore() {
    local status=$?
    set +e
    if [ "$had_manifest" = 1 ]; then
        cp -p "$work/install_manifest.saved" "$manifest"
    else
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

for tool in dpkg-deb desktop-file-validate appstreamcli file readelf Xvfb xdotool import compare; do
    command -v "$tool" >/dev/null || { echo "FAIL: $tool is not installed" >&2; exit 1; }
done
cpack=$(sed -n 's/^CMAKE_CPACK_COMMAND:INTERNAL=//p' "$build/CMakeCache.txt")
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
[ -x "$cpack" ] || cpack=cpack
cmake=$(sed -n 's/^CMAKE_COMMAND:INTERNAL=//p' "$build/CMakeCache.txt")
[ -x "$cmake" ] || cmake=cmake

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

# Checks an installed tree under prefix $1 (usr for the package, the prefix itself otherwise).
check_tree() {
    local prefix=$1 share=$1/share page f
    [ -x "$prefix/bin/zelphor" ] || fail "missing executable ${prefix#"$work"/}/bin/zelphor"
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

echo "== Debian package"
if ! "$cpack" --config "$build/CPackConfig.cmake" -B "$work/package" >"$work/cpack.log" 2>&1; then
    cat "$work/cpack.log" >&2
    # cpack builds the project first; show why that failed before the folder goes.
    find "$work/package" -name PreinstallOutput.log -exec tail -n 40 {} + >&2
    echo "FAIL: cpack could not build the package" >&2
    exit 1
fi
debs=("$work"/package/zelphor_*.deb)
if [ ${#debs[@]} -ne 1 ] || [ ! -f "${debs[0]}" ]; then
    echo "FAIL: expected one zelphor_*.deb from cpack" >&2
    exit 1
fi
deb=${debs[0]}

[ "$(dpkg-deb -f "$deb" Package)" = zelphor ] || fail "package name is not zelphor"
[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "package version is not $version"
[ "$(dpkg-deb -f "$deb" Section)" = games ] || fail "package section is not games"
depends=$(dpkg-deb -f "$deb" Depends)
[[ $depends == *"$soundfonts"* ]] || fail "Depends lacks the sound fonts: $depends"
# The libraries come from dpkg-shlibdeps; these show that it ran.
[[ $depends == *libc6* ]] || fail "Depends lacks the C library: $depends"
if readelf -d "$binary" | grep 'NEEDED.*libfluidsynth' >/dev/null; then
    [[ $depends == *libfluidsynth* ]] || fail "Depends lacks the synthesizer library: $depends"
fi
[[ $depends == *libqt6* ]] || fail "Depends lacks Qt: $depends"

dpkg-deb -x "$deb" "$work/root"
check_tree "$work/root/usr"
# The licence and the history where Debian keeps them; no invented addresses.
doc=$work/root/usr/share/doc/zelphor
grep -q '^License: MIT' "$doc/copyright" || fail "the package has no MIT copyright file"
gzip -dc "$doc/changelog.gz" | sed -n 1p | grep "^zelphor ($version)" >/dev/null ||
    fail "the package's changelog does not start with $version"
dpkg-deb -f "$deb" | grep '\.example' >/dev/null && fail "the package names an invented address"
check_data_folder "$work/root/usr/bin/zelphor" "$work/root/usr/share/zelphor"

echo "== cmake --install"
"$cmake" --install "$build" --prefix "$work/prefix" >"$work/install.log" 2>&1 ||
    { cat "$work/install.log" >&2; echo "FAIL: cmake --install failed" >&2; exit 1; }
check_tree "$work/prefix"
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
