#!/usr/bin/env bash
# The formant and intensity measurements side by side with Praat, in one run:
#   accuracy: synthetic vowels with known formants (bench/formant_accuracy.cpp says how they
#             are made and scored) measured by Tonalyx and by Praat's To Formant (burg) and To
#             Intensity (bench/formants.praat), the median errors printed side by side;
#   speed:    formants and intensity of 300 s of a 44.1 kHz voice at a 10 ms step, Tonalyx
#             streamed from the file against Praat reading and analysing the same file: the
#             medians of RUNS wall-clock times (default 3), Tonalyx's peak memory, and the
#             ratios Tonalyx / Praat (below 1: Tonalyx is faster). SPEED=0 leaves them out.
# Usage: bench/formants_vs_praat.sh [BUILD_DIR]   (it must hold bench/formant_accuracy, built
#        with -DTONALYX_WITH_BENCHMARKS=ON)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
tool=$build/bench/formant_accuracy
runs=${RUNS:-3}
speed=${SPEED:-1}
for need in "$tool" /usr/bin/time; do
    [ -x "$need" ] || { echo "Missing $need (build formant_accuracy; Debian: apt-get install time)" >&2; exit 1; }
done
command -v praat >/dev/null || { echo "Praat is not installed (Debian: apt-get install praat)" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$tool" synth "$work"
for wav in "$work"/*.wav; do
    praat --run "$root/bench/formants.praat" "$wav" "${wav%.wav}" 0 both
done
"$tool" report "$work"
[ "$speed" = 1 ] || exit 0

median() { printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
# Wall-clock seconds (median of RUNS) and the peak resident size in MB of the last run.
measure() {
    "$@" >/dev/null 2>"$work/errors" || { echo "Failed: $*" >&2; cat "$work/errors" >&2; exit 1; }
    local walls=()
    for ((i = 0; i < runs; i++)); do
        /usr/bin/time -f '%e %M' -o "$work/time" "$@" >/dev/null 2>&1
        read -r wall kb <"$work/time"
        walls+=("$wall")
    done
    echo "$(median "${walls[@]}") $((kb / 1024))"
}

# 300 s of voice: a harmonic voice whose F0 wanders between 110 and 190 Hz, over a little noise.
cat > "$work/make.praat" <<'PRAAT'
form Make
    sentence path sound.wav
endform
Create Sound from formula: "voice", 1, 0, 300, 44100,
... "(x mod 1 < 0.8) * 0.2 * (sin(2*pi*(150*x - 40/(2*pi*0.3)*cos(2*pi*0.3*x)))" +
... " + 0.5 * sin(4*pi*(150*x - 40/(2*pi*0.3)*cos(2*pi*0.3*x)))" +
... " + 0.3 * sin(6*pi*(150*x - 40/(2*pi*0.3)*cos(2*pi*0.3*x)))) + randomGauss(0, 0.003)"
Save as WAV file: path$
PRAAT
praat --run "$work/make.praat" "$work/long.wav"

echo
echo "300 s of 44.1 kHz voice, 10 ms step: median wall-clock of $runs runs"
printf '  %-10s %12s %12s %8s %14s\n' "" "Tonalyx (s)" "Praat (s)" "ratio" "Tonalyx peak"
for what in formants intensity; do
    read -r ours mb < <(measure "$tool" "$what" "$work/long.wav")
    read -r theirs _ < <(measure praat --run "$root/bench/formants.praat" "$work/long.wav" none 0.01 "$what")
    printf '  %-10s %12s %12s %8.3f %11s MB\n' "$what" "$ours" "$theirs" \
        "$(awk -v a="$ours" -v b="$theirs" 'BEGIN { print a / b }')" "$mb"
done
