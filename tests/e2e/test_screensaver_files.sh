#!/usr/bin/env bash
# What an install puts in place for the screensavers, from a DESTDIR install of the build
# tree: the saver XScreenSaver runs, a link that reaches the program; its settings file,
# well-formed and naming the program's screensaver option; the theme file for
# mate-screensaver and xfce4-screensaver, valid and running the installed saver.
#   $1  the zelphor executable, at the top of its build tree
# shellcheck source=tests/e2e/common.sh
source "$(dirname "$0")/common.sh"

build=$(dirname "$(realpath "$1")")
need_tools cmake desktop-file-validate
dest=$E2E_WORK/dest
# The prefix the build was configured for, which the theme file names.
prefix=$(sed -n 's/^CMAKE_INSTALL_PREFIX:PATH=//p' "$build/CMakeCache.txt")
DESTDIR=$dest cmake --install "$build" >"$E2E_WORK/install.log" 2>&1 ||
    die "the install failed: $(tail -n 3 "$E2E_WORK/install.log")"

saver=$dest$prefix/libexec/xscreensaver/zelphor
[ -L "$saver" ] || die "no link at /usr/libexec/xscreensaver/zelphor"
[ "$(readlink -f "$saver")" = "$dest$prefix/bin/zelphor" ] ||
    [ "$(readlink -f "$saver")" = "$dest$prefix/games/zelphor" ] ||
    die "the saver leads to $(readlink -f "$saver"), not the installed program"
"$saver" --version | grep -q '^Zelphor ' || die "the saver does not run the program"

xml=$dest$prefix/share/xscreensaver/config/zelphor.xml
[ -f "$xml" ] || die "no settings file for XScreenSaver"
/usr/bin/python3 - "$xml" <<'PY' || die "the settings file is not what XScreenSaver reads"
import sys
import xml.etree.ElementTree as tree
root = tree.parse(sys.argv[1]).getroot()
assert root.tag == "screensaver" and root.get("name") == "zelphor", root.attrib
assert root.get("_label"), "no label"
assert [c.get("arg") for c in root.iter("command")] == ["--root"], "command"
args = {e.get("arg") or e.get("arg-set") for e in root}
assert "--speed %" in args and "--sound" in args, args
assert (root.findtext("_description") or "").strip(), "no description"
PY
# The options it offers are the program's own.
"$1" --help | grep -q -- '--speed V' && "$1" --help | grep -q -- '--sound' ||
    die "the program's help names no --speed or --sound"

desktop=$dest$prefix/share/applications/screensavers/zelphor.desktop
[ -f "$desktop" ] || die "no theme file for mate-screensaver and xfce4-screensaver"
desktop-file-validate "$desktop" >"$E2E_WORK/validate.log" 2>&1 ||
    die "desktop-file-validate: $(cat "$E2E_WORK/validate.log")"
grep -qx "Exec=$prefix/libexec/xscreensaver/zelphor --root" "$desktop" ||
    die "the theme file does not run the installed saver: $(grep ^Exec "$desktop")"
grep -qx 'Categories=Screensaver;' "$desktop" || die "the theme file is not a screensaver's"
log "PASS"
