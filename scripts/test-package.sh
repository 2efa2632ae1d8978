#!/usr/bin/env bash
# Builds the Debian packages from the source package (debian/) and checks them as a distribution
# and a user's machine would: lintian without errors or warnings, hardening-check on every ELF
# file, the fields and the split (the window and the command line without Python, the module
# apart), every file that the desktop entry, the AppStream file and the man pages name, the
# validators, the packaged programs and module on the packaged example, and the formats the
# desktop entry declares against those the program opens. As root it also installs both
# packages with apt-get, runs the programs from the PATH, imports the module, and removes both,
# checking that nothing is left.
# The tests are skipped inside dpkg-buildpackage (nocheck): the caller has run them already.
# Usage: scripts/test-package.sh [BUILD_DIR]   (the packages are built under BUILD_DIR/package)
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
check_file() {  # a path inside the unpacked program package
    [ -f "$unpacked/$1" ] || fail "the package lacks /$1 ($2)"
}

echo "-- source package"
full_version=$(dpkg-parsechangelog -l "$root/debian/changelog" -S Version)
version=${full_version%-*}
project_version=$(sed -n 's/^project(Tonalyx VERSION \([^ ]*\) .*/\1/p' "$root/CMakeLists.txt")
[ "$version" = "$project_version" ] ||
    fail "debian/changelog is at $version, the project at $project_version"
arch=$(dpkg --print-architecture)
# A copy of the sources as git sees them (committed or not, ignored files left out), so that the
# build leaves nothing in the work tree. Its place stays the same between runs for the compiler
# cache.
package_root=$build/package
source_copy=$package_root/tonalyx-$version
rm -rf "$package_root"
mkdir -p "$source_copy"
(cd "$root" && git ls-files -z --cached --others --exclude-standard |
    while IFS= read -r -d '' path; do
        [ ! -e "$path" ] || cp -P --parents "$path" "$source_copy"
    done)
command -v ccache >/dev/null && export CMAKE_CXX_COMPILER_LAUNCHER=ccache
echo "dpkg-buildpackage -us -uc -b (nocheck) in $source_copy"
(cd "$source_copy" &&
    DEB_BUILD_OPTIONS="nocheck parallel=$(nproc)" dpkg-buildpackage -us -uc -b \
        >"$package_root/build.log" 2>&1) ||
    { tail -n 60 "$package_root/build.log"; echo "FAIL: dpkg-buildpackage" >&2; exit 1; }
changes=$package_root/tonalyx_${full_version}_$arch.changes
deb=$package_root/tonalyx_${full_version}_$arch.deb
python_deb=$package_root/python3-tonalyx_${full_version}_$arch.deb
for file in "$changes" "$deb" "$python_deb"; do
    [ -f "$file" ] || { echo "FAIL: dpkg-buildpackage made no $(basename "$file")" >&2; exit 1; }
    echo "$(basename "$file"): $(stat -c %s "$file") bytes"
done

echo "-- lintian (pedantic and informational tags listed; errors and warnings fail)"
lintian --pedantic --display-info --fail-on error,warning "$changes" || fail "lintian"

echo "-- the fields and the split"
field() { dpkg-deb -f "$1" "$2"; }
[ "$(field "$deb" Section)" = sound ] || fail "tonalyx: section $(field "$deb" Section)"
[ "$(field "$python_deb" Section)" = python ] ||
    fail "python3-tonalyx: section $(field "$python_deb" Section)"
depends=$(field "$deb" Depends)
python_depends=$(field "$python_deb" Depends)
echo "tonalyx Depends: $depends"
echo "python3-tonalyx Depends: $python_depends"
echo "python3-tonalyx Recommends: $(field "$python_deb" Recommends)"
has() { [[ ", $1," == *", $2"[\ ,]* ]]; }
# Computed by dpkg-shlibdeps from the programs: the Qt libraries they link, with versions.
for library in libc6 libstdc++6 libqt6core6 libqt6widgets6 libqt6multimedia6 libqt6svg6; do
    has "$depends" "$library" || fail "tonalyx Depends lacks $library"
done
[[ $depends != *python* ]] || fail "tonalyx depends on Python: $depends"
# dh_python3 pins the interpreter the extension was built for; numpy and pandas are imported.
for module in python3 python3-numpy python3-pandas libc6; do
    has "$python_depends" "$module" || fail "python3-tonalyx Depends lacks $module"
done
[[ $python_depends == *"python3 (<< "* ]] || fail "python3-tonalyx pins no interpreter version"
[[ $(field "$python_deb" Recommends) == *python3-distributed* ]] ||
    fail "python3-tonalyx does not recommend python3-distributed"
! dpkg-deb -c "$deb" | grep python3 >/dev/null || fail "tonalyx holds Python files"
dpkg-deb -I "$python_deb" | grep prerm >/dev/null ||
    fail "python3-tonalyx has no prerm (dh_python3 removes the byte code there)"

unpacked=$scratch/root
python_unpacked=$scratch/python-root
dpkg-deb -x "$deb" "$unpacked"
dpkg-deb -x "$python_deb" "$python_unpacked"
bin=$unpacked/usr/bin
share=usr/share

echo "-- hardening-check on every ELF file"
elf_count=0
while IFS= read -r -d '' file; do
    [[ $(file -b "$file") == ELF* ]] || continue
    elf_count=$((elf_count + 1))
    name=${file#"$scratch"/}
    # Control-flow protection cannot show: Debian 12's C start files carry no CET property
    # (dpkg's own programs fail that check too).
    hardening-check --nocfprotection "$file" || fail "hardening-check $name"
    ! readelf -d "$file" | grep -E 'RPATH|RUNPATH' >/dev/null || fail "$name has a search path"
    ! readelf -S "$file" | grep '\.comment' >/dev/null || fail "$name keeps a .comment section"
done < <(find "$unpacked" "$python_unpacked" -type f -print0)
[ "$elf_count" -ge 3 ] || fail "only $elf_count ELF files in the packages"

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
xpath() { xmllint --xpath "$1" "$metainfo"; }
[[ $(xpath 'string(/component/id)') == "$app_id" ]] || fail "AppStream id"
[[ $(xpath 'string(/component/project_license)') == GPL-3.0-or-later ]] ||
    fail "AppStream project_license is '$(xpath 'string(/component/project_license)')'"
launchable=$(xpath 'string(//launchable[@type="desktop-id"])')
check_file "$share/applications/$launchable" "the AppStream launchable"
binaries=$(xpath 'count(//provides/binary)')
[ "$binaries" -gt 0 ] || fail "the AppStream file provides no binary"
for ((i = 1; i <= binaries; i++)); do
    program=$(xpath "string(//provides/binary[$i])")
    [ -x "$bin/$program" ] || fail "AppStream names the program $program"
done
# The package is built without a homepage: no link may point anywhere.
[ "$(xpath 'count(//url|//screenshot)')" = 0 ] || fail "AppStream links to a page no one set"
release=$(xpath 'string(//releases/release[1]/@version)')
[ "$release" = "$version" ] || fail "the newest AppStream release is $release, not $version"
# The release date is the changelog's.
changelog_date=$(date -u -d "$(dpkg-parsechangelog -l "$root/debian/changelog" -S Date)" +%F)
release_date=$(xpath 'string(//releases/release[1]/@date)')
[ "$release_date" = "$changelog_date" ] ||
    fail "the AppStream release is dated $release_date, the changelog $changelog_date"

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
    grep -q '^\.SH EXAMPLES' "$scratch/$name.1" || fail "$name.1 has no EXAMPLES"
    [ "$(sed -n 's/^\.TH "[^"]*" 1 "\([^"]*\)".*/\1/p' "$scratch/$name.1")" = "$changelog_date" ] ||
        fail "$name.1 is not dated $changelog_date"
    # Paths under FILES are absolute and installed; a ~ path is the user's.
    files=$(sed -n '/^\.SH FILES/,/^\.SH/p' "$scratch/$name.1" | sed -n 's/^\.I //p')
    for named in $files; do
        case $named in
        /*) check_file "${named#/}" "named by $name.1 under FILES" ;;
        "~/"*) ;;
        *) fail "$name.1 names $named under FILES, not an absolute path" ;;
        esac
    done
    # An ampersand that marks a shortcut in a button's caption is no word of the manual.
    marks=$(grep -o '[A-Za-z]*[a-z]&[A-Z][A-Za-z]*' <<<"$text" || true)
    [ -z "$marks" ] || fail "$name.1 shows a shortcut mark: $marks"
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

echo "-- the packaged programs and module"
example=$unpacked/$share/doc/tonalyx/examples/demo.wav
[ -f "$example" ] || fail "no example sound"
"$bin/tonalyx-cli" info "$example" >"$scratch/info.txt" || fail "tonalyx-cli info on the example"
grep -q "sample rate: 16000 Hz" "$scratch/info.txt" || fail "info: $(cat "$scratch/info.txt")"
"$bin/tonalyx-cli" levels "$example" -o "$scratch/levels.png" || fail "tonalyx-cli levels"
[[ $(file -b "$scratch/levels.png") == "PNG image data, "*" x 256,"* ]] ||
    fail "levels wrote $(file -b "$scratch/levels.png")"
[ "$(QT_QPA_PLATFORM=offscreen "$bin/tonalyx" --version)" = "tonalyx $version" ] ||
    fail "tonalyx --version"
# The module's pitch track equals the command line's, row for row.
python_package=usr/lib/python3/dist-packages/tonalyx
[ -f "$python_unpacked/$python_package/__init__.py" ] || fail "no Python package in $python_package"
python_check='import sys, tonalyx; print(len(tonalyx.read(sys.argv[1]).pitch().f0))'
frames=$(PYTHONPATH=$python_unpacked/${python_package%/tonalyx} /usr/bin/python3 -B -c \
    "$python_check" "$example") || fail "the unpacked Python module cannot analyse the example"
rows=$("$bin/tonalyx-cli" pitch "$example" | tail -n +2 | wc -l)
[ "$frames" = "$rows" ] || fail "the module finds $frames pitch values, tonalyx-cli $rows"

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
    echo "-- install both with apt-get, run from the PATH, import, remove"
    if dpkg-query -W tonalyx python3-tonalyx >/dev/null 2>&1; then
        fail "a tonalyx package is installed already; not replacing it"
    else
        DEBIAN_FRONTEND=noninteractive apt-get install -y -q "$deb" "$python_deb" \
            >"$scratch/apt.log" 2>&1 || { cat "$scratch/apt.log"; fail "apt-get install"; }
        dpkg -L tonalyx python3-tonalyx >"$scratch/installed.txt"
        installed_example=/usr/share/doc/tonalyx/examples/demo.wav
        cli_version=$(tonalyx-cli --version) || fail "tonalyx-cli --version from the PATH"
        [[ $cli_version == *"$version"* && $cli_version != *$'\n'* ]] ||
            fail "tonalyx-cli --version says '$cli_version', not one line with $version"
        tonalyx-cli info "$installed_example" >/dev/null ||
            fail "tonalyx-cli info on the installed example"
        [ "$(QT_QPA_PLATFORM=offscreen tonalyx --version)" = "tonalyx $version" ] ||
            fail "tonalyx --version from the PATH"
        # The window opens the example and stays up until it is stopped.
        status=0
        QT_QPA_PLATFORM=offscreen XDG_CONFIG_HOME=$scratch/config timeout 5 tonalyx \
            "$installed_example" >"$scratch/window.log" 2>&1 || status=$?
        [ "$status" = 124 ] ||
            fail "tonalyx ended with status $status: $(cat "$scratch/window.log")"
        # As root the import leaves byte code beside the module; removal must take it too.
        [ "$(cd / && /usr/bin/python3 -c "$python_check" "$installed_example")" = "$rows" ] ||
            fail "import tonalyx from the installed package"
        DEBIAN_FRONTEND=noninteractive apt-get remove -y -q tonalyx python3-tonalyx \
            >>"$scratch/apt.log" 2>&1 || { cat "$scratch/apt.log"; fail "apt-get remove"; }
        while read -r path; do
            [ -d "$path" ] || [ ! -e "$path" ] || fail "$path is left after removal"
        done <"$scratch/installed.txt"
        for folder in /usr/share/doc/tonalyx /usr/share/doc/python3-tonalyx "/$python_package"; do
            [ ! -e "$folder" ] || fail "$folder is left after removal"
        done
        ! dpkg-query -W -f='${Status}\n' tonalyx python3-tonalyx 2>/dev/null |
            grep ' installed$' >/dev/null || fail "a tonalyx package is still installed"
    fi
fi

if [ "$failures" -ne 0 ]; then
    echo "$failures package check(s) failed" >&2
    exit 1
fi
echo "package checks passed"
