#!/usr/bin/env bash
# Builds the Debian source and binary packages from a clean copy of this checkout (the files
# git tracks or would track, as they are in the working tree) and checks them: lintian with
# every error, warning, information and pedantic tag failing unless debian/*lintian-overrides
# gives a reason, and hardening-check on the program. The copy and everything
# dpkg-buildpackage writes beside it stay in the output folder.
#   -o DIR    where the .deb, .dsc, .changes and tarballs go (default: build-deb)
#   --check   also the package's content and its help page on a private X server
#             (tests/e2e/test_package.sh --deb), then installs it with apt, checks the
#             installed files, removes and purges it. Changes the system (root): for CI.
# The build dependencies: apt-get build-dep ./   (or mk-build-deps from devscripts).
# DEB_BUILD_OPTIONS (nocheck, parallel=N) is passed on to dpkg-buildpackage.
set -euo pipefail
out=
check=0
while [ $# -gt 0 ]; do
    case $1 in
    -o) out=$(realpath -m "$2"); shift 2 ;;
    --check) check=1; shift ;;
    *) echo "usage: $0 [-o DIR] [--check]" >&2; exit 2 ;;
    esac
done
cd "$(dirname "$0")/.."
out=${out:-$PWD/build-deb}

for tool in dpkg-buildpackage dh lintian hardening-check git file; do
    command -v "$tool" >/dev/null || {
        echo "$tool is not installed: scripts/install-test-deps.sh installs it" >&2
        exit 1
    }
done
if [ "$check" = 1 ] && [ "$(id -u)" -ne 0 ]; then
    echo "--check installs and removes the package: run it as root" >&2
    exit 1
fi

source=$(dpkg-parsechangelog -l debian/changelog -S Source)
version=$(dpkg-parsechangelog -l debian/changelog -S Version)
upstream=${version%-*}
project=$(sed -n 's/^project(zelphor VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
[ "$upstream" = "$project" ] || {
    echo "debian/changelog is at $version, the project at $project: add a changelog entry" >&2
    exit 1
}

# A fixed folder inside the output folder: dpkg-buildpackage writes beside the tree, and the
# same paths from one run to the next let the compiler cache serve a rebuild.
work=$out/.work
rm -rf "$work"
trap 'rm -rf "$work"' EXIT
tree=$work/$source-$upstream
mkdir -p "$tree"
git ls-files -z --cached --others --exclude-standard |
    while IFS= read -r -d '' f; do [ -e "$f" ] && printf '%s\0' "$f"; done |
    tar --null -T - -cf - | tar -xf - -C "$tree"
# The upstream tarball is the same tree without debian/; fixed order, owner and time, so that
# two runs give the same tarball.
tar --sort=name --owner=0 --group=0 --numeric-owner --mtime="@$(git log -1 --format=%ct)" \
    --exclude="$source-$upstream/debian" -C "$work" -cf - "$source-$upstream" |
    gzip -n -9 >"$work/${source}_$upstream.orig.tar.gz"

began=$SECONDS
# debhelper points HOME elsewhere during the build; the compiler cache stays where it was.
if command -v ccache >/dev/null; then
    export CCACHE_DIR=${CCACHE_DIR:-$(ccache -k cache_dir)} CCACHE_BASEDIR=$tree CCACHE_NOHASHDIR=1
fi
mkdir -p "$out"
(cd "$tree" && dpkg-buildpackage -us -uc) >"$out/build.log" 2>&1 || {
    tail -n 60 "$out/build.log" >&2
    echo "FAIL: dpkg-buildpackage (the whole log: $out/build.log)" >&2
    exit 1
}
echo "build-deb: dpkg-buildpackage took $((SECONDS - began)) s"

arch=$(dpkg-architecture -q DEB_HOST_ARCH)
changes=$work/${source}_${version}_$arch.changes
deb=$work/${source}_${version}_$arch.deb
failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

# The .changes names the source package and the binary packages, the -dbgsym one too.
lintian --pedantic --display-info --fail-on error,warning,info,pedantic "$changes" ||
    fail "lintian reports the tags above"

# Every program in the package, the ones other install rules add too.
dpkg-deb -x "$deb" "$work/root"
programs=0
while IFS= read -r -d '' program; do
    file -b "$program" | grep -q '^ELF' || continue
    programs=$((programs + 1))
    hardening=$(hardening-check "$program" || true)
    echo "$hardening"
    for feature in "Position Independent Executable" "Stack protected" \
        "Fortify Source functions" "Read-only relocations" "Immediate binding"; do
        grep -q "^ $feature: yes" <<<"$hardening" ||
            fail "hardening-check: $feature is not yes in ${program#"$work/root"}"
    done
done < <(find "$work/root" -type f -perm -u+x -print0)
[ "$programs" -gt 0 ] || fail "no program in $deb"

# Installs the package with apt, checks what is there and that removing and purging it
# leave none of its files behind.
install_and_remove() {
    local f listed=$work/installed-files
    if dpkg-query -W -f='${Status}' "$source" 2>/dev/null | grep -q 'ok installed'; then
        fail "$source is already installed here: not replacing it"
        return 0
    fi
    export DEBIAN_FRONTEND=noninteractive
    apt-get install -y -q "$deb" >"$work/apt.log" 2>&1 ||
        { cat "$work/apt.log" >&2; fail "apt-get install $deb"; return 0; }
    for f in "/usr/games/$source" "/usr/share/$source/help.htm" \
        /usr/share/applications/org.zelphor.Zelphor.desktop "/usr/share/man/man6/$source.6.gz" \
        "/usr/share/doc/$source/copyright" "/usr/share/doc/$source/changelog.Debian.gz"; do
        [ -f "$f" ] || fail "the installed package lacks $f"
    done
    QT_QPA_PLATFORM=offscreen "/usr/games/$source" --version | grep -F "$upstream" >/dev/null ||
        fail "the installed $source --version does not say $upstream"
    dpkg-query -L "$source" >"$listed"
    apt-get remove -y -q "$source" >>"$work/apt.log" 2>&1 || fail "apt-get remove $source"
    while IFS= read -r f; do
        [ -d "$f" ] || [ ! -e "$f" ] || fail "$f is left after apt-get remove"
    done <"$listed"
    [ ! -e "/usr/share/$source" ] || fail "/usr/share/$source is left after apt-get remove"
    # With no configuration files, dpkg forgets the package on removal: nothing to purge.
    if dpkg-query -W -f='${Status}' "$source" 2>/dev/null | grep -q config-files; then
        apt-get purge -y -q "$source" >>"$work/apt.log" 2>&1 || fail "apt-get purge $source"
    fi
    ! dpkg-query -W -f='${Status}' "$source" 2>/dev/null | grep -qv 'not-installed' ||
        fail "dpkg still knows $source after apt-get purge"
}

if [ "$check" = 1 ]; then
    bash tests/e2e/test_package.sh --deb "$deb" || fail "the package's content"
    install_and_remove
fi

# The -dbgsym package too, so that the .changes lists only files that are there.
find "$work" -maxdepth 1 -type f \( -name "${source}_*" -o -name "${source}-dbgsym_*" \) \
    -exec cp {} "$out" \;
if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed; the packages are in $out" >&2
    exit 1
fi
echo "build-deb: packages in $out"
