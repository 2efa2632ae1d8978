#!/usr/bin/env bash
# Installs the packages, builds Tonalyx and starts it on the bundled demo sound.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-packages.sh"
# Only the program and what it links: the tests and benchmarks wait for scripts/run-tests.sh.
cmake -S "$root" -B "$root/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$root/build" -j"$(nproc)" --target tonalyx
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "Tonalyx is built (build/app/tonalyx), but there is no display to show its window on:" >&2
    echo "neither DISPLAY nor WAYLAND_DISPLAY is set. Run this from a desktop session, or start" >&2
    echo "a virtual one first, e.g.  Xvfb :99 & export DISPLAY=:99" >&2
    exit 1
fi
exec "$root/build/app/tonalyx" "$root/demo/demo.wav"
