#!/bin/bash
# under-window-manager.sh PROGRAM [ARGS...]: runs PROGRAM on the xcb platform
# in a fresh Xvfb screen (1024x768, 96 dpi) managed by openbox, both started
# here and ended with it. Exits 77 (skipped) when Xvfb or openbox is missing.
set -u
for tool in xvfb-run openbox xprop; do
    if ! command -v "$tool" >/dev/null; then
        echo "under-window-manager: $tool is not installed (./dev installs it)" >&2
        exit 77
    fi
done
export QT_QPA_PLATFORM=xcb
unset QT_SCALE_FACTOR
exec xvfb-run -a -s "-screen 0 1024x768x24 -dpi 96 -nolisten tcp" bash -c '
    openbox --sm-disable >/dev/null 2>&1 &
    wm=$!
    # The window manager is ready once it names its check window on the root.
    for _ in $(seq 100); do
        xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id" && break
        sleep 0.05
    done
    "$@"
    status=$?
    kill "$wm" 2>/dev/null
    wait "$wm" 2>/dev/null
    exit $status' under-window-manager "$@"
