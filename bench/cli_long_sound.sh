#!/usr/bin/env bash
# tonalyx-cli on long recordings: every command's wall time and peak memory (maximum resident
# set, from /usr/bin/time) on 44.1 kHz stereo files of 10 minutes and one hour, read whole
# (--whole), so that the peak can be read against the file's length; then, on the hour, levels
# and pitch against the Praat program doing the same work in the same run:
#   levels: tonalyx-cli levels --whole --fit --columns 1920 (2048-sample Hanning frames, a PNG)
#           against Praat's To Spectrogram with 2048-sample Hanning windows and a time step
#           giving 1920 frames, on the first channel, the spectrogram saved to a file;
#   pitch:  tonalyx-cli pitch --whole (80 .. 640 Hz, every track value to a file) and with
#           --step 0.01 against Praat's To Pitch (ac) from 80 to 640 Hz at 10 ms, saved.
# Each command runs once (an hour is long); the ratio is Praat / tonalyx-cli (above 1:
# tonalyx-cli is faster). The sounds are written by tools/make_long_sound into a temporary
# folder under /tmp (TMPDIR), which is removed at the end.
#
# Usage: bench/cli_long_sound.sh [BUILD_DIR]   (default: build; it must hold cli/tonalyx-cli
#        and tools/make_long_sound)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
cli=$build/cli/tonalyx-cli
make_sound=$build/tools/make_long_sound
lengths=${LENGTHS:-600 3600}

for program in "$cli" "$make_sound"; do
    if [ ! -x "$program" ]; then
        echo "No $program: build it first (targets tonalyx-cli and make_long_sound)" >&2
        exit 1
    fi
done
if [ ! -x /usr/bin/time ]; then
    echo "No /usr/bin/time to measure peak memory (Debian: apt-get install time)" >&2
    exit 1
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Runs a command, its output discarded; prints "seconds peak_MB", or "failed" with its errors.
measure() {
    if /usr/bin/time -f '%e %M' -o "$work/time" "$@" >/dev/null 2>"$work/errors"; then
        awk '{ printf "%.2f %.1f\n", $1, $2 / 1024 }' "$work/time"
    else
        echo "failed"
        sed 's/^/    /' "$work/errors" >&2
    fi
}

row() {
    local label=$1 seconds=$2 size=$3
    shift 3
    local result
    result=$(measure "$@")
    if [ "$result" = failed ]; then
        printf '%-8s %8s  %-40s %s\n' "${seconds}s" "$size" "$label" "failed"
    else
        read -r wall peak <<<"$result"
        printf '%-8s %8s  %-40s %9.2f s %9.1f MB\n' "${seconds}s" "$size" "$label" "$wall" "$peak"
    fi
    echo "$result" > "$work/last"
}

printf '%-8s %8s  %-40s %11s %12s\n' "sound" "file" "command" "time" "peak memory"
for seconds in $lengths; do
    sound=$work/voice$seconds.wav
    "$make_sound" "$seconds" 44100 2 "$sound"
    size=$(awk -v b="$(stat -c %s "$sound")" 'BEGIN { printf "%.0f MB", b / 1048576 }')
    half=$((seconds / 2))
    row "info" "$seconds" "$size" "$cli" info --whole "$sound"
    row "levels --fit --columns 1920" "$seconds" "$size" \
        "$cli" levels --whole --fit --columns 1920 -o "$work/levels.png" "$sound"
    cp "$work/last" "$work/levels$seconds"
    row "levels --fit --columns 1920 --overlay-pitch" "$seconds" "$size" \
        "$cli" levels --whole --fit --columns 1920 --overlay-pitch -o "$work/overlay.png" "$sound"
    row "levels (default view)" "$seconds" "$size" \
        "$cli" levels --whole -o "$work/view.png" "$sound"
    row "spectrum --fit --time T/2" "$seconds" "$size" \
        "$cli" spectrum --whole --fit --columns 1920 --time "$half" -o "$work/spectrum.csv" "$sound"
    row "pitch -o track.csv" "$seconds" "$size" \
        "$cli" pitch --whole -o "$work/track.csv" "$sound"
    cp "$work/last" "$work/pitch$seconds"
    row "pitch --step 0.01 -o steps.csv" "$seconds" "$size" \
        "$cli" pitch --whole --step 0.01 -o "$work/steps.csv" "$sound"
    cp "$work/last" "$work/steps$seconds"
    if [ "$seconds" != "${lengths##* }" ]; then rm -f "$sound"; fi
done

last=${lengths##* }
sound=$work/voice$last.wav
echo
if ! command -v praat >/dev/null; then
    echo "Praat is not installed (Debian: apt-get install praat): no comparison"
    exit 0
fi

cat > "$work/pitch.praat" <<'PRAAT'
form Pitch
    sentence path sound.wav
    sentence out pitch.txt
endform
stereo = Read from file: path$
sound = Extract one channel: 1
pitch = To Pitch (ac): 0.01, 80, 15, "no", 0.03, 0.45, 0.01, 0.35, 0.14, 640
matrix = To Matrix
Save as headerless spreadsheet file: out$
PRAAT

printf '%-8s %-34s %11s %12s %12s %12s %10s\n' "sound" "task" "tonalyx-cli" "peak" "Praat" \
    "Praat peak" "Praat/tonalyx"
# One line of the comparison: the task, tonalyx-cli's figures from a file, Praat's given.
compare() {
    local task=$1 ours=$2 theirs=$3
    if [ "$theirs" = failed ]; then
        printf '%-8s %-34s Praat could not do it (see its errors above)\n' "${last}s" "$task"
        return
    fi
    read -r ourWall ourPeak < "$ours"
    read -r theirWall theirPeak <<<"$theirs"
    awk -v s="${last}s" -v t="$task" -v a="$ourWall" -v b="$ourPeak" -v c="$theirWall" \
        -v d="$theirPeak" 'BEGIN {
        printf "%-8s %-34s %9.2f s %9.1f MB %10.2f s %9.1f MB %10.2f\n", s, t, a, b, c, d, c / a }'
}
spectrogram=$(measure praat --run "$root/bench/spectrogram.praat" "$sound" 1920 "$work/spectrogram.bin")
compare "levels / To Spectrogram" "$work/levels$last" "$spectrogram"
pitch=$(measure praat --run "$work/pitch.praat" "$sound" "$work/pitch.txt")
compare "pitch / To Pitch (ac)" "$work/pitch$last" "$pitch"
compare "pitch --step 0.01 / To Pitch (ac)" "$work/steps$last" "$pitch"
