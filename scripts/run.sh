#!/bin/sh
# Starts Kestrow; under a virtual X server when no display is available.
bin="$(dirname "$0")/../build/bin/kestrow"
if [ -z "$DISPLAY" ] && [ -z "$WAYLAND_DISPLAY" ]; then
    echo "No display found: running Kestrow under Xvfb."
    exec xvfb-run -a -s "-screen 0 1280x800x24" "$bin"
fi
exec "$bin"
