#!/usr/bin/env bash
# Runs a command on a display: the user's own when there is one, otherwise a private X server
# (Xvfb). Start-up is measured "on screen", so a display server is part of what is timed; Qt's
# offscreen platform is the last resort and is said so.
set -euo pipefail
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
    exec "$@"
fi
if command -v xvfb-run >/dev/null; then
    exec xvfb-run -a -s "-screen 0 1280x800x24" env QT_QPA_PLATFORM=xcb "$@"
fi
echo "on-display: no display and no xvfb-run; running on Qt's offscreen platform" >&2
QT_QPA_PLATFORM=offscreen exec "$@"
