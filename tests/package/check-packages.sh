#!/usr/bin/env bash
# shellcheck disable=SC2015  # "check && check || fail" fails when any check does
# Builds both Debian packages from a build tree and checks them as Debian and a desktop see
# them, without installing anything: lintian, the files where the menu, the icon theme,
# software centres and man look for them, the packaged programs run, and the driver
# registration of the maintainer scripts against a private unixODBC registry.
# Usage: check-packages.sh BUILD-DIR VERSION
set -euo pipefail
build=$(realpath "$1")
version=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

cpack --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" ||
    { cat "$work/cpack.log" >&2; fail "cpack"; }
arch=$(dpkg --print-architecture)
tool=$work/out/dbtool_${version}_${arch}.deb
server=$work/out/dbtool-devserver_${version}_${arch}.deb
[ -f "$tool" ] && [ -f "$server" ] || fail "expected $(basename "$tool") and $(basename "$server")"

# Errors fail; warnings are printed and fail too, so a new one is seen and explained.
lintian --fail-on error,warning "$tool" "$server" || fail "lintian"

depends=$(dpkg-deb -f "$tool" Depends)
for needed in tdsodbc unixodbc fonts-noto-cjk qt6-translations-l10n libqt6widgets6 libodbc2 ca-certificates; do
    grep -Eq "(^|, )$needed( |,|$)" <<<"$depends" || fail "dbtool does not depend on $needed: $depends"
done
! grep -q dbtool-devserver <<<"$depends" || fail "dbtool depends on the development server"

root=$work/root
dpkg-deb -x "$tool" "$root"
dpkg-deb -x "$server" "$root"
share=$root/usr/share
entry=$share/applications/dbtool.desktop
desktop-file-validate "$entry" || fail "desktop entry"
exec=$(sed -n 's/^Exec=//p' "$entry")
icon=$(sed -n 's/^Icon=//p' "$entry")
[ -x "$root/usr/bin/$exec" ] || fail "Exec=$exec is not in /usr/bin"
[ -f "$share/icons/hicolor/scalable/apps/$icon.svg" ] || fail "no scalable icon $icon"
file "$share/icons/hicolor/256x256/apps/$icon.png" | grep -q 'PNG image data, 256 x 256' ||
    fail "no 256 px icon $icon"
metainfo=$(echo "$share"/metainfo/*.metainfo.xml)
appstreamcli validate --no-net "$metainfo" || fail "metainfo"
grep -q "<launchable type=\"desktop-id\">dbtool.desktop</launchable>" "$metainfo" ||
    fail "the metainfo does not launch dbtool.desktop"
grep -q "<release version=\"$version\"" "$metainfo" || fail "the metainfo's release is not $version"
[ -f "$share/man/man1/dbtool.1.gz" ] || fail "no manual page"

# The packaged programs run, the tool without any display.
shown=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$root/usr/bin/dbtool" --version)
[ "$shown" = "dbtool $version" ] || fail "dbtool --version says '$shown'"
link=$(readlink "$root/usr/bin/dbtool-devserver") || fail "/usr/bin/dbtool-devserver is no link"
case $(realpath -m "$root/usr/bin/$link") in
    "$root"/usr/libexec/*) ;;
    *) fail "dbtool-devserver points to $link" ;;
esac
"$root/usr/bin/dbtool-devserver" --help | grep -q -- '--data' || fail "dbtool-devserver --help"
[ -x "$share/dbtool-devserver/seed-samples" ] || fail "no seeding script"

# Maintainer scripts: a registration they made goes with the package, one found stays.
dpkg-deb -e "$tool" "$work/control"
export ODBCSYSINI=$work/odbc DPKG_ROOT=$work/dpkg-root
mkdir -p "$ODBCSYSINI" "$DPKG_ROOT/var/lib"
registered() { odbcinst -q -d -n FreeTDS >/dev/null 2>&1; }
sh "$work/control/postinst" configure
registered || fail "postinst did not register FreeTDS"
sh "$work/control/prerm" upgrade
registered || fail "an upgrade took the registration away"
sh "$work/control/prerm" remove
! registered || fail "removal left the FreeTDS registration postinst made"
[ -z "$(ls -A "$DPKG_ROOT/var/lib")" ] || fail "removal left $(find "$DPKG_ROOT/var/lib" -mindepth 1)"
odbcinst -i -d -f /usr/share/tdsodbc/odbcinst.ini >/dev/null
sh "$work/control/postinst" configure
sh "$work/control/prerm" remove
registered || fail "removal took away a registration someone else made"

echo "dbtool $version: both packages pass"
