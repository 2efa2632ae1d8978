#!/usr/bin/env bash
# Runs every fuzz target of build-fuzz/ for the given number of seconds (default 60), starting
# from the seed files under fuzz/corpus/<target>/. New inputs go to a scratch folder, so the
# repository's corpus stays as it is. A crash leaves its input in build-fuzz/ and fails the run.
# Leaks inside the system's decoder libraries listed in fuzz/system-libraries.lsan are ignored.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
status=0
for target in "$root"/build-fuzz/fuzz/*_fuzz; do
    [ -x "$target" ] || continue
    name=$(basename "$target" _fuzz)
    scratch=$(mktemp -d)
    echo "-- $name: ${seconds}s"
    (cd "$root/build-fuzz" &&
        LSAN_OPTIONS="suppressions=$root/fuzz/system-libraries.lsan${LSAN_OPTIONS:+:$LSAN_OPTIONS}" \
        "$target" -max_total_time="$seconds" -print_final_stats=1 \
        "$scratch" "$root/fuzz/corpus/$name") || status=1
    rm -rf "$scratch"
done
exit $status
