#!/usr/bin/env bash
# check_system_visa.sh BUILD WORK SOURCE LIBDIR [CMAKE OPTION...]: installs libzvisa from BUILD
# into the scratch prefix WORK/prefix, builds zorvane-burst and zorvane-share from SOURCE with
# ZORVANE_VISA=system pointed at it (WORK/build, kept between runs so a rerun only relinks), and runs it on
# simulated meters: the programs build against a VISA that is not ours through visa.h alone.
set -euo pipefail
build=$1 work=$2 source=$3 libdir=$4
shift 4
prefix=$work/prefix
status=0
fail() {
    echo "system_visa: $*" >&2
    status=1
}

rm -rf "$prefix"
for component in libzvisa1 libzvisa-dev; do
    cmake --install "$build" --component "$component" --prefix "$prefix" >/dev/null
done
cmake -S "$source" -B "$work/build" -DZORVANE_VISA=system -DZORVANE_GUI=OFF \
    -DZORVANE_VISA_INCLUDE_DIR="$prefix/include/zvisa" \
    -DZORVANE_VISA_LIBRARY="$prefix/$libdir/libzvisa.so" "$@" >/dev/null
cmake --build "$work/build" --target zorvane-burst zorvane-share -j 2 >/dev/null
burst=$work/build/app/zorvane-burst

linked=$(ldd "$burst" | awk '$1 == "libzvisa.so.1" { print $3 }')
[ "$linked" -ef "$prefix/$libdir/libzvisa.so.1" ] ||
    fail "zorvane-burst loads libzvisa.so.1 from \"$linked\", not from the prefix"
if ZVISA_SIM=dcv,instant "$burst" -q -o "$work/burst.csv"; then
    rows=$(grep -c '^[0-9]*,' "$work/burst.csv")
    [ "$rows" = 50000 ] || fail "zorvane-burst wrote $rows readings"
else
    fail "zorvane-burst exited with $?"
fi
listed=$(ZVISA_SIM='dci;dcv' "$burst" --list) || fail "zorvane-burst --list exited with $?"
[ "$listed" = $'USB0::0x7A5E::0x0C46::SIM0001::INSTR\nUSB0::0x7A5E::0x0C46::SIM0002::INSTR' ] ||
    fail "zorvane-burst --list printed \"$listed\""
exit $status
