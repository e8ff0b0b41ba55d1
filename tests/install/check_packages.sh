#!/usr/bin/env bash
# check_packages.sh DEB...: on a fresh Debian machine of its own, as root (the fresh-machine tool's
# root; never on a workstation), installs each package alone: first what apt brings for it, which
# is listed, then the package with those of ours it depends on. It checks that zorvane-share brings
# no Qt, runs what the package installs, purges it and checks that the machine's files are as
# before it came; then purges what apt brought, so the next package starts from the same machine.
# With the fresh-machine tool, whose roots share the host's /dev, the packages are built on one
# fresh root and checked on another:
#   ../shared/tools/fresh-machine './dev package && mkdir -p /dev/shm/debs && cp build/*.deb /dev/shm/debs/'
#   ../shared/tools/fresh-machine 'tests/install/check_packages.sh /dev/shm/debs/*.deb'
set -euo pipefail
[ "$(id -u)" -eq 0 ] || { echo "check_packages: run as root on a machine of its own" >&2; exit 2; }
status=0
fail() {
    echo "check_packages: $*" >&2
    status=1
}

declare -A deb_of
for deb in "$@"; do
    deb_of[$(dpkg-deb -f "$deb" Package)]=$(realpath "$deb")
done

# Every path outside what changes by itself or belongs to dpkg and apt.
files_on_machine() {
    find / -xdev \( -path /proc -o -path /sys -o -path /dev -o -path /run -o -path /tmp \
        -o -path /var/tmp -o -path /var/cache -o -path /var/lib/apt -o -path /var/lib/dpkg \
        -o -path /var/log -o -path /root -o -path "$PWD" \) -prune -o -print | LC_ALL=C sort
}

# Ours first (by name, each with the others of ours it needs), then what else it depends on.
ours_needed() {  # package
    local dependency
    for dependency in $(dpkg-deb -f "${deb_of[$1]}" Depends | tr -d ' ' | tr ',' '\n' |
        sed 's/(.*//'); do
        [ -n "${deb_of[$dependency]:-}" ] && ours_needed "$dependency"
    done
    echo "$1"
}
others_needed() {  # package: its Depends without ours, one a line, for apt-get satisfy
    dpkg-deb -f "${deb_of[$1]}" Depends | tr ',' '\n' | sed 's/^ *//' |
        grep -vE "^($(IFS='|'; echo "${!deb_of[*]}"))( |$)" || true
}

# What the package installs, at work.
smoke_test() {  # package
    case $1 in
        libzvisa1)
            [[ $(ldconfig -p) == *"libzvisa.so.1 "* ]] || fail "libzvisa1: ldconfig does not list it"
            ;;
        libzvisa-dev)
            [ "$(readlink -f "$(dpkg -L libzvisa-dev | grep '/libzvisa\.so$')")" = \
                "$(readlink -f "$(dpkg -L libzvisa1 | grep '/libzvisa\.so\.1$')")" ] ||
                fail "libzvisa-dev: libzvisa.so does not lead to libzvisa1's library"
            ;;
        zorvane)
            ZVISA_SIM=dcv,instant zorvane-burst -q -o /tmp/burst.csv ||
                fail "zorvane: zorvane-burst exited with $?"
            [ "$(grep -c '^[0-9]*,' /tmp/burst.csv)" = 50000 ] ||
                fail "zorvane: zorvane-burst did not write 50000 readings"
            rm -f /tmp/burst.csv
            ;;
        zorvane-share)
            zorvane-share --version >/dev/null || fail "zorvane-share: --version exited with $?"
            [ -z "$(find /etc/systemd/system -name zorvane-share.service 2>/dev/null)" ] ||
                fail "zorvane-share: the service is enabled on install"
            ;;
    esac
}

export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
for package in "${!deb_of[@]}"; do
    mapfile -t ours < <(ours_needed "$package" | awk '!seen[$0]++')
    others=$(for name in "${ours[@]}"; do others_needed "$name"; done | paste -sd, | sed 's/,/, /g')
    echo "== $package (with ${ours[*]})"
    debs=()
    for name in "${ours[@]}"; do debs+=("${deb_of[$name]}"); done
    brought=$(apt-get install -s --no-install-recommends "${debs[@]}" |
        awk '$1 == "Inst" { print $2 }' | grep -vxF -f <(printf '%s\n' "${ours[@]}") || true)
    echo "apt brings $(wc -w <<<"$brought") packages:" $brought
    if [ "$package" = zorvane-share ] && grep -qiE '^(libqt|qt6)' <<<"$brought"; then
        fail "zorvane-share brings Qt: $(grep -iE '^(libqt|qt6)' <<<"$brought" | paste -sd' ')"
    fi
    [ -z "$others" ] || apt-get satisfy -y -qq --no-install-recommends "$others" >/dev/null
    before=$(files_on_machine)
    dpkg -i "${debs[@]}" >/dev/null
    for name in "${ours[@]}"; do
        smoke_test "$name"
    done
    dpkg --purge "$package" >/dev/null
    mapfile -t ours_left < <(printf '%s\n' "${ours[@]}" | grep -vxF "$package" || true)
    [ ${#ours_left[@]} -eq 0 ] || dpkg --purge "${ours_left[@]}" >/dev/null
    left=$(diff <(echo "$before") <(files_on_machine) || true)
    [ -z "$left" ] || fail "$package: purging it leaves the machine changed:"$'\n'"$left"
    [ -z "$brought" ] || apt-get purge -y -qq --autoremove $brought >/dev/null
done
[ $status -ne 0 ] || echo "check_packages: ${#deb_of[@]} packages install, run and purge cleanly"
exit $status
