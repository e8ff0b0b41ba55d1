#!/usr/bin/env bash
# check_install.sh BUILD ROOT SOURCE VERSION: installs BUILD into the scratch folder ROOT with
# prefix /usr and checks every path and mode, the udev rule, the icon sizes, the desktop entry and
# metainfo with their validators, the version each file carries, and that zorvane-burst(1)
# documents every option of zorvane-burst --help.
set -euo pipefail
build=$1 root=$2 source=$3 version=$4
status=0
fail() {
    echo "install_tree: $*" >&2
    status=1
}

rm -rf "$root"
DESTDIR=$root cmake --install "$build" --prefix /usr >/dev/null
usr=$root/usr

expected="755 usr/bin/zorvane
755 usr/bin/zorvane-burst
644 usr/lib/udev/rules.d/70-zorvane-meter.rules
644 usr/share/applications/zorvane.desktop
644 usr/share/doc/zorvane/changelog.gz
644 usr/share/doc/zorvane/copyright
644 usr/share/icons/hicolor/16x16/apps/zorvane.png
644 usr/share/icons/hicolor/256x256/apps/zorvane.png
644 usr/share/icons/hicolor/32x32/apps/zorvane.png
644 usr/share/icons/hicolor/48x48/apps/zorvane.png
644 usr/share/man/man1/zorvane-burst.1.gz
644 usr/share/man/man1/zorvane.1.gz
644 usr/share/metainfo/org.zorvane.zorvane.metainfo.xml"
installed=$(cd "$root" && find . ! -type d -printf '%m %P\n' | LC_ALL=C sort -k2)
[ "$installed" = "$expected" ] ||
    fail "installed files (+) differ from the expected (-):"$'\n'"$(diff <(echo "$expected") <(echo "$installed"))"
odd_dirs=$(cd "$root" && find . -type d ! -perm 755 -printf '%m %P\n')
[ -z "$odd_dirs" ] || fail "directories not 755: $odd_dirs"

rule=$usr/lib/udev/rules.d/70-zorvane-meter.rules
cmp -s "$source/res/70-zorvane-meter.rules" "$rule" || fail "the udev rule is not res/'s"
grep -q '^SUBSYSTEM=="usb", ENV{DEVTYPE}=="usb_device", ATTR{idVendor}=="7a5e", ATTR{idProduct}=="0c46|0c47", .*TAG+="uaccess"' "$rule" ||
    fail "the udev rule does not give the seat the meter's USB device"

for size in 16 32 48 256; do
    icon=$usr/share/icons/hicolor/${size}x${size}/apps/zorvane.png
    read -r -a ihdr < <(od -An -tu1 -j16 -N8 "$icon")  # width and height, big-endian
    width=$(((ihdr[2] << 8) | ihdr[3])) height=$(((ihdr[6] << 8) | ihdr[7]))
    [ "$width x $height" = "$size x $size" ] || fail "$icon is $width x $height"
done

# Warnings and hints count too: desktop-file-validate exits 0 on them.
desktop_report=$(desktop-file-validate "$usr/share/applications/zorvane.desktop" 2>&1 ||
    echo "exit status $?")
[ -z "$desktop_report" ] || fail "desktop-file-validate: $desktop_report"
metainfo_report=$(appstreamcli validate-tree --no-net "$root" 2>&1) ||
    fail "appstreamcli: $metainfo_report"

[ "$("$usr/bin/zorvane-burst" --version)" = "zorvane-burst $version" ] ||
    fail "zorvane-burst --version does not say $version"
grep -q "<release version=\"$version\"" "$usr/share/metainfo/org.zorvane.zorvane.metainfo.xml" ||
    fail "the metainfo's release is not $version"
[[ "$(zcat "$usr/share/doc/zorvane/changelog.gz")" == "zorvane ($version) "* ]] ||
    fail "the changelog's entry is not $version"

man_page=$(zcat "$usr/share/man/man1/zorvane-burst.1.gz")
for option in $("$usr/bin/zorvane-burst" --help | grep -E '^  -' | grep -oE -- '--?[a-z][a-z-]*'); do
    grep -qF -- "${option//-/\\-}" <<<"$man_page" || fail "zorvane-burst(1) lacks $option"
done

exit $status
