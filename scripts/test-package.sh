#!/usr/bin/env bash
# Builds the Debian package from a finished build and checks it as a user's machine would see it:
# unpacked, every file that the desktop entry, the AppStream file and the man pages name is
# there, the validators accept them, the packaged programs run on the packaged example, and the
# formats the desktop entry declares are exactly those the program opens. As root it also
# installs the package with apt-get, runs it from the PATH and removes it again.
# Usage: scripts/test-package.sh [BUILD_DIR]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}
check_file() {  # a path inside the unpacked package
    [ -f "$unpacked/$1" ] || fail "the package lacks /$1 ($2)"
}

echo "-- package"
cmake --build "$build" --target tonalyx tonalyx-cli desktop_files man_pages >/dev/null
cpack --config "$build/CPackConfig.cmake" -G DEB -B "$scratch/out" >"$scratch/cpack.log" ||
    { cat "$scratch/cpack.log"; exit 1; }
debs=("$scratch"/out/tonalyx_*.deb)
if [ ${#debs[@]} -ne 1 ] || [ ! -f "${debs[0]}" ]; then
    echo "FAIL: cpack made no single tonalyx_*.deb" >&2
    exit 1
fi
deb=${debs[0]}
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
echo "$(basename "$deb"): $(stat -c %s "$deb") bytes"
field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = tonalyx ] || fail "package name $(field Package)"
[ "$(field Version)" = "$version" ] || fail "package version $(field Version), project $version"
[ "$(field Section)" = sound ] || fail "section $(field Section)"
depends=$(field Depends)
echo "Depends: $depends"
# Computed by dpkg-shlibdeps from the programs: the Qt libraries they link, with versions.
for library in libc6 libstdc++6 libqt6core6 libqt6widgets6 libqt6multimedia6 libqt6svg6; do
    [[ ", $depends," == *", $library"[\ ,]* ]] || fail "Depends lacks $library"
done

unpacked=$scratch/root
dpkg-deb -x "$deb" "$unpacked"
bin=$unpacked/usr/bin
share=usr/share

echo "-- desktop entry"
desktop=$(cd "$unpacked/$share/applications" && ls ./*.desktop)
desktop=${desktop#./}
app_id=${desktop%.desktop}
entry=$unpacked/$share/applications/$desktop
desktop-file-validate "$entry" || fail "desktop-file-validate $desktop"
entry_value() { sed -n "s/^$1=//p" "$entry"; }
for key in Exec TryExec; do
    program=$(entry_value "$key" | cut -d' ' -f1)
    [ -x "$bin/$program" ] || fail "$key names $program, not in /usr/bin"
done
[[ $(entry_value Exec) == *%f* ]] || fail "Exec takes no file (%f)"
icon=$(entry_value Icon)
[ "$icon" = "$app_id" ] || fail "Icon $icon is not the application id $app_id"
check_file "$share/icons/hicolor/scalable/apps/$icon.svg" "the desktop entry's icon"
for size in 16 32 48 64 128 256; do
    png=$share/icons/hicolor/${size}x${size}/apps/$icon.png
    check_file "$png" "the desktop entry's icon"
    [[ $(file -b "$unpacked/$png") == "PNG image data, $size x $size,"* ]] ||
        fail "$png is not a $size x $size PNG"
done
# Every declared MIME type is one the MIME database knows, or one the package defines.
IFS=';' read -r -a declared <<<"$(entry_value MimeType)"
for type in "${declared[@]}"; do
    grep -q "type=\"$type\"" /usr/share/mime/packages/freedesktop.org.xml \
        "$unpacked/$share/mime/packages/$app_id.xml" || fail "MIME type $type is defined nowhere"
done
xmllint --noout "$unpacked/$share/mime/packages/$app_id.xml" || fail "the MIME definitions"

echo "-- AppStream"
metainfo=$unpacked/$share/metainfo/$app_id.metainfo.xml
[ -f "$metainfo" ] || fail "no AppStream file for $app_id"
appstreamcli validate --no-net "$metainfo" || fail "appstreamcli validate $app_id"
[[ $(xmllint --xpath 'string(/component/id)' "$metainfo") == "$app_id" ]] || fail "AppStream id"
launchable=$(xmllint --xpath 'string(//launchable[@type="desktop-id"])' "$metainfo")
check_file "$share/applications/$launchable" "the AppStream launchable"
binaries=$(xmllint --xpath 'count(//provides/binary)' "$metainfo")
[ "$binaries" -gt 0 ] || fail "the AppStream file provides no binary"
for ((i = 1; i <= binaries; i++)); do
    program=$(xmllint --xpath "string(//provides/binary[$i])" "$metainfo")
    [ -x "$bin/$program" ] || fail "AppStream names the program $program"
done
release=$(xmllint --xpath 'string(//releases/release[1]/@version)' "$metainfo")
[ "$release" = "$version" ] || fail "the newest AppStream release is $release, not $version"

echo "-- man pages"
for program in "$bin"/*; do
    name=$(basename "$program")
    page=$share/man/man1/$name.1.gz
    check_file "$page" "the man page of $name"
    [ -f "$unpacked/$page" ] || continue
    zcat "$unpacked/$page" >"$scratch/$name.1"
    # groff warns about every malformed request; any warning fails.
    warnings=$(groff -man -Tutf8 -ww -z "$scratch/$name.1" 2>&1)
    [ -z "$warnings" ] || fail "groff on $name.1: $warnings"
    # Wide lines without hyphenation, so that no option is broken over two lines.
    text=$(groff -man -Tascii -P-cbou -rLL=300n -rHY=0 "$scratch/$name.1")
    for other in $(sed -n 's/^\.BR \([a-z\\-]*\) (1).*/\1/p' "$scratch/$name.1" | sed 's/\\//g'); do
        check_file "$share/man/man1/$other.1.gz" "named by $name.1 under SEE ALSO"
    done
    for named in $(grep -o '^\.I share/[^ ]*' "$scratch/$name.1" | cut -d' ' -f2); do
        check_file "usr/$named" "named by $name.1 under FILES"
    done
    # The page comes from the program's own help: each of its options is on the page.
    help=$(QT_QPA_PLATFORM=offscreen "$program" --help)
    for option in $(grep -o -- '--[a-z][a-z-]*' <<<"$help" | sort -u); do
        grep -q -- "$option" <<<"$text" || fail "$name.1 lacks $option"
    done
done
settings=$("$bin/tonalyx-cli" settings | tail -n +2 | cut -f1)
for setting in $settings; do
    grep -q "^\\\\fB$setting\\\\fR" "$scratch/tonalyx-cli.1" || fail "tonalyx-cli.1 lacks $setting"
done

echo "-- the packaged programs"
example=$unpacked/$share/doc/tonalyx/examples/demo.wav
[ -f "$example" ] || fail "no example sound"
"$bin/tonalyx-cli" info "$example" >"$scratch/info.txt" || fail "tonalyx-cli info on the example"
grep -q "sample rate: 16000 Hz" "$scratch/info.txt" || fail "info: $(cat "$scratch/info.txt")"
"$bin/tonalyx-cli" levels "$example" -o "$scratch/levels.png" || fail "tonalyx-cli levels"
[[ $(file -b "$scratch/levels.png") == "PNG image data, "*" x 256,"* ]] ||
    fail "levels wrote $(file -b "$scratch/levels.png")"
[ "$(QT_QPA_PLATFORM=offscreen "$bin/tonalyx" --version)" = "tonalyx $version" ] ||
    fail "tonalyx --version"

# The Python module, where the build made one: in the package, with what it imports named.
python_package=usr/lib/python3/dist-packages/tonalyx
python_check='import sys, tonalyx; print(len(tonalyx.read(sys.argv[1]).pitch().f0))'
if [ -d "$build/python/tonalyx" ]; then
    echo "-- the packaged Python module"
    [ -f "$unpacked/$python_package/__init__.py" ] || fail "no Python package in $python_package"
    for module in python3 python3-numpy; do
        [[ ", $depends," == *", $module"[\ ,]* ]] || fail "Depends lacks $module"
    done
    PYTHONPATH=$unpacked/${python_package%/tonalyx} /usr/bin/python3 -c "$python_check" \
        "$example" >/dev/null || fail "the unpacked Python module cannot analyse the example"
fi

echo "-- formats: declared in the desktop entry exactly when the program opens them"
while read -r type _ _ sample; do
    extension=${sample%%/*}
    encoding=${sample#"$extension"}
    file=$scratch/sample-${type//[\/+]/-}.$extension
    sndfile-convert ${encoding:+-${encoding#/}} "$example" "$file" >/dev/null ||
        { fail "sndfile-convert cannot make a $type sample"; continue; }
    opens=no
    "$bin/tonalyx-cli" info "$file" >/dev/null 2>&1 && opens=yes
    is_declared=no
    [[ ";$(entry_value MimeType)" == *";$type;"* ]] && is_declared=yes
    echo "$type: declared $is_declared, opens $opens"
    [ "$opens" = "$is_declared" ] || fail "$type is declared $is_declared but opens $opens"
done < <(grep '^[a-z]' "$root/packaging/mime-types.txt")

if [ "$(id -u)" -eq 0 ] && command -v apt-get >/dev/null; then
    echo "-- install with apt-get, run from the PATH, remove"
    if dpkg-query -W tonalyx >/dev/null 2>&1; then
        fail "a tonalyx package is installed already; not replacing it"
    else
        DEBIAN_FRONTEND=noninteractive apt-get install -y -q "$deb" >"$scratch/apt.log" 2>&1 ||
            { cat "$scratch/apt.log"; fail "apt-get install"; }
        dpkg -L tonalyx >"$scratch/installed.txt"
        # The command line program reports its version where it has --version; before, its
        # settings table proves it runs.
        if grep -q -- --version <<<"$(tonalyx-cli --help)"; then
            cli_version=$(tonalyx-cli --version)
            [[ $cli_version == *"$version"* && $cli_version != *$'\n'* ]] ||
                fail "tonalyx-cli --version says '$cli_version', not one line with $version"
        else
            tonalyx-cli settings >/dev/null || fail "tonalyx-cli from the PATH"
        fi
        [ "$(QT_QPA_PLATFORM=offscreen tonalyx --version)" = "tonalyx $version" ] ||
            fail "tonalyx --version from the PATH"
        tonalyx-cli info /usr/share/doc/tonalyx/examples/demo.wav >/dev/null ||
            fail "tonalyx-cli info on the installed example"
        if [ -d "$build/python/tonalyx" ]; then
            # As root the import leaves byte code beside the module; removal must take it too.
            /usr/bin/python3 -c "$python_check" /usr/share/doc/tonalyx/examples/demo.wav \
                >/dev/null || fail "import tonalyx from the installed package"
        fi
        DEBIAN_FRONTEND=noninteractive apt-get remove -y -q tonalyx >>"$scratch/apt.log" 2>&1 ||
            { cat "$scratch/apt.log"; fail "apt-get remove"; }
        while read -r path; do
            [ -d "$path" ] || [ ! -e "$path" ] || fail "$path is left after removal"
        done <"$scratch/installed.txt"
        [ ! -e /usr/share/doc/tonalyx ] || fail "/usr/share/doc/tonalyx is left after removal"
        [ ! -e "/$python_package" ] || fail "/$python_package is left after removal"
        ! dpkg-query -W tonalyx >/dev/null 2>&1 || fail "tonalyx is still registered"
    fi
fi

if [ "$failures" -ne 0 ]; then
    echo "$failures package check(s) failed" >&2
    exit 1
fi
echo "package checks passed"
