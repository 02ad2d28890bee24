#!/usr/bin/env bash
# Installs the build into a DESTDIR and checks what a desktop would read: the launcher
# (desktop-file-validate), the metainfo (appstreamcli), the icons of the hicolor theme,
# the catalogues, and the installed program's "--help".
# Usage: check-install.sh BUILD_DIR APP_ID
set -euo pipefail
build=$1
app=$2
dest=$(mktemp -d)
trap 'rm -rf "$dest"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

DESTDIR="$dest" cmake --install "$build" --prefix /usr >/dev/null
share="$dest/usr/share"

desktop="$share/applications/$app.desktop"
[ -f "$desktop" ] || fail "no launcher $desktop"
desktop-file-validate "$desktop" || fail "desktop-file-validate"
grep -qx "Icon=$app" "$desktop" || fail "the launcher names no icon"

metainfo="$share/metainfo/$app.metainfo.xml"
[ -f "$metainfo" ] || fail "no metainfo"
appstreamcli validate --no-net "$metainfo" || fail "appstreamcli validate"
grep -q "<launchable type=\"desktop-id\">$app.desktop</launchable>" "$metainfo" || fail "metainfo names another launcher"

[ -f "$share/icons/hicolor/scalable/apps/$app.svg" ] || fail "no scalable icon"
for size in 16 22 24 32 48 64 128 256; do
    png="$share/icons/hicolor/${size}x${size}/apps/$app.png"
    [ -f "$png" ] || fail "no ${size}px icon"
    # The picture really has the size of its folder.
    [ "$(identify -format '%wx%h' "$png")" = "${size}x${size}" ] || fail "$png is not ${size}x${size}"
done

for domain in default units dialogs; do
    [ -f "$share/tessaro/locale/de/LC_MESSAGES/$domain.mo" ] || fail "no German catalogue $domain"
done
if [ -d "$(dirname "$0")/../../resources/help" ]; then
    [ -d "$share/tessaro/help" ] || fail "help pages not installed"
fi

program="$dest/usr/bin/tessaro"
[ -x "$program" ] || fail "no program"
status=0
"$program" --help >"$dest/help.txt" 2>&1 || status=$?
[ "$status" -eq 0 ] || fail "--help exited with $status"
grep -q -- "-auto" "$dest/help.txt" || fail "--help does not list -auto"
"$program" -lang:de --help >"$dest/hilfe.txt" 2>&1
grep -q "Aufruf" "$dest/hilfe.txt" || fail "the installed program shows no German help"
echo "installed files are valid"
