#!/usr/bin/env bash
# Starts the program, or says in one plain line why it cannot.
set -euo pipefail
program=${1:?usage: run-program.sh PATH-TO-kwtool}
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
    echo "No display is available (DISPLAY is not set): start kwtool from a graphical desktop session." >&2
    exit 1
fi
exec "$program"
