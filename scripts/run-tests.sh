#!/usr/bin/env bash
# Installs the packages, builds Tonalyx and runs every test: all tests of the normal build,
# playback on a private PulseAudio server (installed with the other packages), the engine's
# tests again under AddressSanitizer and UndefinedBehaviorSanitizer, and a short run of the
# wave-reader fuzzer.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
jobs=$(nproc)
"$root/scripts/install-packages.sh"

echo "== Build and test"
"$root/scripts/build.sh"
ctest --test-dir "$root/build" --output-on-failure -j"$jobs"

echo "== The Debian packages: dpkg-buildpackage, lintian, hardening-check, contents, validators (and apt-get as root)"
"$root/scripts/test-package.sh" "$root/build"

echo "== Playback on a private PulseAudio server"
"$root/scripts/test-audio.sh" --require "$root/build"

echo "== Engine tests under AddressSanitizer and UndefinedBehaviorSanitizer"
cmake -S "$root" -B "$root/build-sanitize" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DTONALYX_WITH_UI=OFF -DTONALYX_WITH_BENCHMARKS=OFF -DTONALYX_SANITIZE=ON
cmake --build "$root/build-sanitize" -j"$jobs" --target core_tests
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
    ctest --test-dir "$root/build-sanitize" --output-on-failure -j"$jobs"

echo "== Wave reader fuzzing"
CXX=clang++-14 cmake -S "$root" -B "$root/build-fuzz" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DTONALYX_WITH_UI=OFF -DTONALYX_WITH_TESTS=OFF -DTONALYX_WITH_BENCHMARKS=OFF -DTONALYX_FUZZ=ON
cmake --build "$root/build-fuzz" -j"$jobs"
"$root/scripts/fuzz.sh" 60
