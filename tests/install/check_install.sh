#!/usr/bin/env bash
# check_install.sh BUILD ROOT SOURCE VERSION LIBDIR: installs BUILD into the scratch folder ROOT
# with prefix /usr, whole and one component (Debian package) at a time, and checks every path and
# mode and which package holds it, the udev rule, the icon sizes, the desktop entry and metainfo
# with their validators, the version each file carries, that zorvane-burst(1) documents every
# option of zorvane-burst --help, that the server links no Qt, and that libzvisa exports only the
# vi* calls and serves a C program built with `pkg-config zvisa` (CC and CFLAGS from the
# environment).
set -euo pipefail
build=$1 root=$2 source=$3 version=$4 libdir=$5
status=0
fail() {
    echo "install_tree: $*" >&2
    status=1
}

# Each package's files with their modes; zorvane-share's where the build has the server.
declare -A expected
expected[libzvisa1]="777 usr/$libdir/libzvisa.so.1
644 usr/$libdir/libzvisa.so.$version
644 usr/lib/udev/rules.d/70-libzvisa1.rules
644 usr/share/doc/libzvisa1/changelog.gz
644 usr/share/doc/libzvisa1/copyright
644 usr/share/metainfo/org.zorvane.libzvisa1.metainfo.xml"
expected[libzvisa-dev]="644 usr/include/zvisa/visa.h
644 usr/include/zvisa/visatype.h
777 usr/$libdir/libzvisa.so
644 usr/$libdir/pkgconfig/zvisa.pc
644 usr/share/doc/libzvisa-dev/changelog.gz
644 usr/share/doc/libzvisa-dev/copyright"
expected[zorvane]="755 usr/bin/zorvane
755 usr/bin/zorvane-burst
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
expected[zorvane-share]="644 etc/default/zorvane-share
755 usr/bin/zorvane-share
644 usr/lib/systemd/system/zorvane-share.service
644 usr/share/doc/zorvane-share/changelog.gz
644 usr/share/doc/zorvane-share/copyright
644 usr/share/man/man1/zorvane-share.1.gz"
packages=$(sed -n 's/^set(CPACK_COMPONENTS_ALL "\(.*\)")$/\1/p' "$build/CPackConfig.cmake")
[[ ";$packages;" == ";libzvisa1;libzvisa-dev;zorvane;"* ]] ||
    fail "the packages are \"$packages\", not libzvisa1, libzvisa-dev, zorvane (and zorvane-share)"

files_in() {  # folder: "mode path" of each file, sorted by path
    (cd "$1" && find . ! -type d -printf '%m %P\n' | LC_ALL=C sort -k2)
}
rm -rf "$root"
all_packages=""
for package in ${packages//;/ }; do
    DESTDIR=$root/$package cmake --install "$build" --prefix /usr --component "$package" >/dev/null
    installed=$(files_in "$root/$package")
    want=$(LC_ALL=C sort -k2 <<<"${expected[$package]:-}")
    [ "$installed" = "$want" ] ||
        fail "$package's files (+) differ from the expected (-):"$'\n'"$(diff <(echo "$want") <(echo "$installed"))"
    all_packages+=$installed$'\n'
done
DESTDIR=$root/all cmake --install "$build" --prefix /usr >/dev/null
root=$root/all
usr=$root/usr
# Every installed file in exactly one package.
installed=$(files_in "$root")
[ "$installed" = "$(LC_ALL=C sort -k2 <<<"${all_packages%$'\n'}")" ] ||
    fail "installed files (+) differ from the packages' (-):"$'\n'"$(diff <(LC_ALL=C sort -k2 <<<"${all_packages%$'\n'}") <(echo "$installed"))"
odd_dirs=$(cd "$root" && find . -type d ! -perm 755 -printf '%m %P\n')
[ -z "$odd_dirs" ] || fail "directories not 755: $odd_dirs"

rule=$usr/lib/udev/rules.d/70-libzvisa1.rules
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
metainfo_report=$("$source/packaging/validate-metainfo" "$root" 2>&1) ||
    fail "appstreamcli: $metainfo_report"

lib=$usr/$libdir
export LD_LIBRARY_PATH=$lib
[ "$(readlink "$lib/libzvisa.so")" = libzvisa.so.1 ] &&
    [ "$(readlink "$lib/libzvisa.so.1")" = "libzvisa.so.$version" ] ||
    fail "the libzvisa symlinks do not lead to libzvisa.so.$version"
soname=$(objdump -p "$lib/libzvisa.so.1" | awk '$1 == "SONAME" { print $2 }')
[ "$soname" = libzvisa.so.1 ] || fail "libzvisa's SONAME is \"$soname\""
stray=$(nm -D --defined-only "$lib/libzvisa.so.1" | awk '$2 != "A" { print $3 }' |
    grep -v '^vi[A-Z][A-Za-z0-9]*@@' || true)
[ -z "$stray" ] || fail "libzvisa exports more than vi* calls: $stray"
for program in zorvane zorvane-burst; do
    grep -qE 'NEEDED +libzvisa\.so\.1$' <<<"$(objdump -p "$usr/bin/$program")" ||
        fail "$program does not link libzvisa.so.1"
done
# A headless box that shares a meter installs no Qt.
for binary in "$lib/libzvisa.so.1" "$usr/bin/zorvane-share"; do
    [ -e "$binary" ] || continue
    qt=$(objdump -p "$binary" | awk '$1 == "NEEDED" && $2 ~ /^libQt/ { print $2 }')
    [ -z "$qt" ] || fail "${binary#"$root"/} links Qt: $qt"
done

[ "$(PKG_CONFIG_LIBDIR=$lib/pkgconfig pkg-config --modversion zvisa)" = "$version" ] ||
    fail "zvisa.pc's version is not $version"
flags=$(PKG_CONFIG_SYSROOT_DIR=$root PKG_CONFIG_LIBDIR=$lib/pkgconfig pkg-config --cflags --libs zvisa)
client=$root/identity_client
# shellcheck disable=SC2086  # CFLAGS and the flags are lists of words
if ${CC:-cc} ${CFLAGS:-} -Wall -Wextra -Werror "$source/tests/install/identity_client.c" \
    -o "$client" $flags; then
    identity=$(ZVISA_SIM=dcv,instant "$client") || fail "the pkg-config client failed"
    [ "$identity" = "USB0::0x7A5E::0x0C46::SIM0001::INSTR ZORVANE SIM,DMM-SIM,SIM0001,1.0" ] ||
        fail "the pkg-config client read \"$identity\""
    rm -f "$client"
else
    fail "a C program does not build with pkg-config zvisa ($flags)"
fi

[ "$("$usr/bin/zorvane-burst" --version)" = "zorvane-burst $version" ] ||
    fail "zorvane-burst --version does not say $version"
for metainfo in "$usr"/share/metainfo/*.metainfo.xml; do
    grep -q "<release version=\"$version\"" "$metainfo" ||
        fail "the release of ${metainfo##*/} is not $version"
done
for changelog in "$usr"/share/doc/*/changelog.gz; do
    [[ "$(zcat "$changelog")" == "zorvane ($version) "* ]] ||
        fail "the entry of ${changelog#"$usr"/} is not $version"
done

man_page=$(zcat "$usr/share/man/man1/zorvane-burst.1.gz")
for option in $("$usr/bin/zorvane-burst" --help | grep -E '^  -' | grep -oE -- '--?[a-z][a-z-]*'); do
    grep -qF -- "${option//-/\\-}" <<<"$man_page" || fail "zorvane-burst(1) lacks $option"
done

exit $status
