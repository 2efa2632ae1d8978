#!/usr/bin/env bash
# Tests playback on a real audio output without sound hardware: starts a private PulseAudio
# server whose default sink writes to a pipe in real time, runs the window tests of the
# platform's media device against it (sounds at very low rates included), and stops that server
# again. When pulseaudio is not installed or its server does not come up, it says so and skips,
# or with --require fails; nothing else needs a server.
# Usage: test-audio.sh [--require] [build directory, default build]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
required=false
if [ "${1:-}" = "--require" ]; then
    required=true
    shift
fi
build=${1:-$root/build}
tests="$build/tests/ui_tests"

not_tested() {
    echo "$1: playback on a real output not tested" >&2
    if $required; then exit 1; fi
    exit 0
}

if ! command -v pulseaudio >/dev/null || ! command -v pactl >/dev/null; then
    not_tested "pulseaudio and pulseaudio-utils are not installed"
fi
[ -x "$tests" ] || { echo "$tests is missing: build it first" >&2; exit 1; }

runtime=$(mktemp -d)
chmod 700 "$runtime"
export XDG_RUNTIME_DIR=$runtime
stop_server() {
    pulseaudio --kill >/dev/null 2>&1 || true
    rm -rf "$runtime"
}
trap stop_server EXIT

# A pipe sink keeps real time (a null sink may stall for seconds).
cat >"$runtime/test.pa" <<PA
load-module module-native-protocol-unix
load-module module-pipe-sink sink_name=test_out file=$runtime/test_out.fifo format=s16le rate=44100 channels=2 use_system_clock_for_timing=yes
set-default-sink test_out
PA
if ! timeout 20 pulseaudio -n -F "$runtime/test.pa" --exit-idle-time=-1 --daemonize=yes \
    >"$runtime/server.log" 2>&1; then
    cat "$runtime/server.log" >&2
    not_tested "the PulseAudio server did not start"
fi
for _ in $(seq 50); do
    pactl info >/dev/null 2>&1 && break
    sleep 0.1
done
if ! pactl info >/dev/null 2>&1; then
    not_tested "the PulseAudio server does not answer"
fi

# With the server up, the tests must find its output rather than skip.
QT_QPA_PLATFORM=offscreen XDG_CONFIG_HOME="$runtime/config" TONALYX_EXPECT_AUDIO_OUTPUT=1 \
    timeout 180 "$tests" --gtest_filter='QtMediaDevice.*' --gtest_brief=1
