#!/usr/bin/env bash
# The layers' include rules, checked on the sources: the engine and the request library above
# it (plain C++) include neither the toolkit nor a front end nor a header that uses the
# toolkit, and the engine nothing of the request library; the window and the Python module
# share the request library and include nothing of the command line's. With --graph, prints
# which folders each folder includes.
set -euo pipefail
cd "$(dirname "$0")/.."
engine="document analysis dsp pitch formants annotations"
plain="$engine requests"
front_ends="app python cli"
includes() {  # folder -> the folders its sources include, one per line
    grep -rhoE '#include [<"][A-Za-z0-9_]+/' "$1" --include='*.cpp' --include='*.h' --include='*.inc' 2>/dev/null |
        sed -E 's/#include [<"]//; s#/$##' | sort -u
}
if [ "${1:-}" = --graph ]; then
    for folder in $plain settings display interaction $front_ends; do
        [ -d "$folder" ] && echo "$folder: $(includes "$folder" | grep -vx "$folder" | tr '\n' ' ')"
    done
    exit 0
fi
status=0
refuse() { echo "$1"; status=1; }
for folder in $plain; do
    [ -d "$folder" ] || continue
    for used in $(includes "$folder"); do
        case $used in
            app | cli | python | interaction) refuse "$folder/ includes $used/" ;;
            requests) [ "$folder" = requests ] || refuse "$folder/ includes requests/" ;;
            Qt*) refuse "$folder/ includes the toolkit ($used)" ;;
        esac
    done
done
# The axis scales live among the painters but are plain C++: the engine and the request
# library may use those alone.
for header in $(grep -rhoE '#include "display/[A-Za-z0-9_]+\.h"' $plain 2>/dev/null | sort -u |
    sed -E 's/#include "//; s/"$//'); do
    grep -qE '#include <Q' "$header" && refuse "the engine includes $header, which uses the toolkit"
done
for folder in app python; do
    includes "$folder" | grep -x cli >/dev/null && refuse "$folder/ includes cli/"
done
exit $status
