#!/usr/bin/env bash
# Installs the packages, builds Tonalyx and starts it on the bundled demo sound.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-packages.sh"
"$root/scripts/build.sh" -DTONALYX_WITH_BENCHMARKS=OFF
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "Tonalyx is built (build/app/tonalyx), but there is no display to show its window on:" >&2
    echo "neither DISPLAY nor WAYLAND_DISPLAY is set. Run this from a desktop session, or start" >&2
    echo "a virtual one first, e.g.  Xvfb :99 & export DISPLAY=:99" >&2
    exit 1
fi
exec "$root/build/app/tonalyx" "$root/demo/demo.wav"
