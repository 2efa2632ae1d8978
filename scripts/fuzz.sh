#!/usr/bin/env bash
# Runs every fuzz target of build-fuzz/ for the given number of seconds (default 60), starting
# from the seed files under fuzz/corpus/<target>/. New inputs go to a scratch folder, so the
# repository's corpus stays as it is. A crash leaves its input in build-fuzz/ and fails the run.
# Each target's output goes to build-fuzz/<target>.log (the system's decoders are chatty on
# damaged input); its final figures are printed, and on a failure the end of the log.
# Leaks inside the system's decoder libraries listed in fuzz/system-libraries.lsan are ignored.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
status=0
for target in "$root"/build-fuzz/fuzz/*_fuzz; do
    [ -x "$target" ] || continue
    name=$(basename "$target" _fuzz)
    scratch=$(mktemp -d)
    log=$root/build-fuzz/$name.log
    echo "-- $name: ${seconds}s"
    if (cd "$root/build-fuzz" &&
        LSAN_OPTIONS="suppressions=$root/fuzz/system-libraries.lsan${LSAN_OPTIONS:+:$LSAN_OPTIONS}" \
        "$target" -max_total_time="$seconds" -print_final_stats=1 \
        "$scratch" "$root/fuzz/corpus/$name") >"$log" 2>&1; then
        grep -E '^(Done|stat::)' "$log" || true
    else
        status=1
        echo "-- $name failed; the end of $log:"
        tail -n 80 "$log"
    fi
    rm -rf "$scratch"
done
exit $status
