#!/bin/sh
# Runs the command in a new network namespace with only loopback up; exit 77 (skip) where
# none can be made (not root, or no unshare).
if ! unshare -n true 2>/dev/null; then
    echo "SKIP: cannot make a network namespace (unshare -n needs root)" >&2
    exit 77
fi
exec unshare -n sh -c 'ip link set lo up && ZVISA_TEST_NETNS=1 exec "$@"' sh "$@"
