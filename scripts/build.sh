#!/usr/bin/env bash
# Configures and builds Tonalyx in build/ (the program, its tests and benchmarks).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cmake -S "$root" -B "$root/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
cmake --build "$root/build" -j"$(nproc)"
