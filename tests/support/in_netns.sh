#!/bin/sh
# in_netns.sh [--private-run] COMMAND...: runs COMMAND in a network namespace of its own with
# only loopback up, so nothing it sends (portmapper on port 111, broadcasts) leaves the machine.
# With --private-run also in a mount namespace with a tmpfs on /run, where a test's own rpcbind
# finds no lock file of the host's. COMMAND sees ZVISA_TEST_NETNS=1, so a test that takes port
# 111 knows it may. Exits 77 (skipped) where no namespace can be made.
private_run=
if [ "$1" = --private-run ]; then
    private_run=-m
    shift
fi
if ! unshare -n $private_run true 2>/dev/null; then
    echo "SKIP: no network namespace could be made (needs root): these tests talk to port 111" \
         "and broadcast, so they run only inside one"
    exit 77
fi
exec unshare -n $private_run -- sh -c '
    if [ -n "$0" ]; then mount -t tmpfs tmpfs /run || exit 1; fi
    ip link set lo up || exit 1
    ZVISA_TEST_NETNS=1 exec "$@"' "$private_run" "$@"
