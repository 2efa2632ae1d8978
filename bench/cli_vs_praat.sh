#!/usr/bin/env bash
# Whole-process time of tonalyx-cli against the Praat program doing the same work from a
# script, side by side in one run, on voice-like sounds of 10 s, 300 s and one hour (44.1 kHz,
# 16 bits):
#   levels: tonalyx-cli levels --fit --columns 1920 (2048-sample Hanning frames, a PNG out)
#           against Praat's To Spectrogram with 2048-sample Hanning windows and a time step
#           giving about 1920 frames, the spectrogram saved to a file (10 s and 300 s);
#   pitch:  tonalyx-cli pitch (80 .. 640 Hz, the table to a file) against Praat's
#           To Pitch (ac) from 80 to 640 Hz by bench/pitch.praat, the F0 of every frame saved
#           to a file (all three).
# Each command runs RUNS times (default 5; the hour RUNS_HOUR times, default 1) with its table
# output discarded; the medians of wall-clock and of processor time and the ratios
# tonalyx-cli / Praat are printed (below 1: tonalyx-cli is faster; 0.5 is twice as fast). The hour needs a tonalyx-cli that reads past the
# window's 300 s (--whole or --max-seconds); without one that row says so. HOUR=0 leaves the
# hour out.
#
# Usage: bench/cli_vs_praat.sh [BUILD_DIR]   (default: build; it must hold cli/tonalyx-cli)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
cli=$build/cli/tonalyx-cli
runs=${RUNS:-5}
runs_hour=${RUNS_HOUR:-1}
hour=${HOUR:-1}
# The pitch range both programs search; Praat's side is bench/pitch.praat, shared with
# bench/python_vs_cli.py.
floor=80
ceiling=640
pitch_range=(--set "pitchMinFreq=$floor" --set "pitchMaxFreq=$ceiling")

if [ ! -x "$cli" ]; then
    echo "No $cli: build it first, e.g. cmake --build $build --target tonalyx-cli" >&2
    exit 1
fi
if [ ! -x /usr/bin/time ]; then
    echo "GNU time is not installed (Debian: apt-get install time)" >&2
    exit 1
fi
if ! command -v praat >/dev/null; then
    echo "Praat is not installed (Debian: apt-get install praat)" >&2
    exit 1
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The sounds: a harmonic voice whose F0 wanders between 110 and 190 Hz, voiced 0.8 s of every
# second, over a little noise. Written by Praat, read by both.
cat > "$work/make_sound.praat" <<'PRAAT'
form Make a sound
    real duration 10
    sentence path sound.wav
endform
Create Sound from formula: "voice", 1, 0, duration, 44100,
... "(x mod 1 < 0.8) * 0.2 * (sin(2*pi*(150*x - 40/(2*pi*0.3)*cos(2*pi*0.3*x)))" +
... " + 0.5 * sin(4*pi*(150*x - 40/(2*pi*0.3)*cos(2*pi*0.3*x)))" +
... " + 0.3 * sin(6*pi*(150*x - 40/(2*pi*0.3)*cos(2*pi*0.3*x)))) + randomGauss(0, 0.003)"
Save as WAV file: path$
PRAAT

# The medians of RUNS wall-clock and processor times (user + system, all threads) of a command,
# in seconds, after one run that must succeed (a failing command would otherwise be timed as if
# it had done the work). On a busy machine the processor times are the steadier figure.
measure() {
    if ! "$@" >/dev/null 2>"$work/errors"; then
        echo "Failed: $*" >&2
        cat "$work/errors" >&2
        exit 1
    fi
    local walls=() cpus=()
    for ((i = 0; i < runs; i++)); do
        /usr/bin/time -f '%e %U %S' -o "$work/time" "$@" >/dev/null 2>&1
        read -r wall user system <"$work/time"
        walls+=("$wall")
        cpus+=("$(awk -v u="$user" -v s="$system" 'BEGIN { print u + s }')")
    done
    echo "$(median "${walls[@]}") $(median "${cpus[@]}")"
}

median() {
    printf '%s\n' "$@" | sort -g | awk '{t[NR] = $1} END {
        if (NR % 2) print t[(NR + 1) / 2]; else print (t[NR / 2] + t[NR / 2 + 1]) / 2 }'
}

# One line of the table: sound, task, both medians (wall, processor) and their ratios.
row() {
    read -r ours oursCpu <<<"$3"
    read -r theirs theirsCpu <<<"$4"
    awk -v sound="$1" -v task="$2" -v a="$ours" -v b="$theirs" -v c="$oursCpu" -v d="$theirsCpu" 'BEGIN {
        printf "%-6s %-7s %10.3f s %8.3f s %8.2f %10.3f s %8.3f s %8.2f\n", sound, task, a, b, a / b, c, d, c / d }'
}

# How this tonalyx-cli reads a whole sound longer than the window's 300 s, if it can.
whole_sound=()
usage=$("$cli" --help 2>&1 || true)
if grep -q -- '--whole' <<<"$usage"; then
    whole_sound=(--whole)
elif grep -q -- '--max-seconds' <<<"$usage"; then
    whole_sound=(--max-seconds 3600)
fi

sounds=(10 300)
if [ "$hour" != 0 ]; then sounds+=(3600); fi
printf '%-6s %-7s %12s %10s %8s %12s %10s %8s\n' "sound" "task" "tonalyx-cli" "Praat" "ratio" \
    "cpu tonalyx" "cpu Praat" "ratio"
for seconds in "${sounds[@]}"; do
    sound=$work/voice$seconds.wav
    if [ "$seconds" -gt 300 ] && [ ${#whole_sound[@]} -eq 0 ]; then
        printf '%-6s %-7s %s\n' "${seconds}s" pitch "tonalyx-cli reads at most 300 s (no --whole or --max-seconds): not measured"
        continue
    fi
    praat --run "$work/make_sound.praat" "$seconds" "$sound"
    if [ "$seconds" -le 300 ]; then
        # The window loads at most maxSoundLength seconds (120 by default): the whole sound here.
        full=(--set maxSoundLength=300)
        tonalyx=$(measure "$cli" levels "$sound" --fit --columns 1920 -o "$work/levels.png" "${full[@]}")
        reference=$(measure praat --run "$root/bench/spectrogram.praat" "$sound" 1920 "$work/spectrogram.bin")
        row "${seconds}s" levels "$tonalyx" "$reference"
    else
        full=("${whole_sound[@]}")
        runs=$runs_hour
    fi

    tonalyx=$(measure "$cli" pitch "$sound" "${pitch_range[@]}" "${full[@]}")
    reference=$(measure praat --run "$root/bench/pitch.praat" "$sound" "$work/pitch.txt" "$floor" "$ceiling")
    row "${seconds}s" pitch "$tonalyx" "$reference"
    if [ "$seconds" -gt 300 ]; then rm -f "$sound"; fi
done

# What was compared, for the 300 s sound: columns against frames, track values against frames.
"$cli" levels "$work/voice300.wav" --fit --columns 1920 -o "$work/levels.png" --set maxSoundLength=300
praat --run "$root/bench/spectrogram.praat" "$work/voice300.wav" 1920 "$work/spectrogram.bin"
praat --run "$root/bench/pitch.praat" "$work/voice300.wav" "$work/pitch.txt" "$floor" "$ceiling"
"$cli" pitch "$work/voice300.wav" "${pitch_range[@]}" --set maxSoundLength=300 > "$work/pitch.csv"
width=$(od -An -tu1 -j16 -N4 "$work/levels.png" | awk '{ print $1 * 16777216 + $2 * 65536 + $3 * 256 + $4 }')
echo
echo "300 s sound: tonalyx-cli image columns $width, Praat spectrogram frames $(cat "$work/spectrogram.bin.frames");"
echo "             tonalyx-cli pitch values $(($(wc -l < "$work/pitch.csv") - 1)), Praat pitch frames $(awk '{ print NF }' "$work/pitch.txt" | head -1)"
