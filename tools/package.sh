#!/usr/bin/env bash
# Sets up the machine, builds the Debian package velmor-merger_VERSION-1_ARCH.deb
# from a Release build in build/package, leaves it in the top folder and
# checks it: its contents, lintian, the desktop metadata, then an install
# with apt-get on this machine, a start of both programs and the removal.
# Every check runs even when an earlier one failed; the summary names the
# failed ones and the exit status is 1 if there are any.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup.sh lintian dpkg-dev file help2man

folder=build/package
staged=$folder/staged

# Debian's hardening flags, as a Debian build uses them. No debug
# information: the package ships none.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all DEB_CXXFLAGS_MAINT_STRIP=-g
tools/build.sh "$folder" -DCMAKE_BUILD_TYPE=Release \
    "-DCMAKE_CXX_FLAGS=$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)" \
    "-DCMAKE_EXE_LINKER_FLAGS=$(dpkg-buildflags --get LDFLAGS)"
rm -f "$folder"/*.deb
(cd "$folder" && cpack -G DEB)
deb=$(basename "$folder"/velmor-merger_*.deb)
mv "$folder/$deb" .
version=$(dpkg-deb -f "$deb" Version)
echo "built $deb"
dpkg-deb --info "$deb"
dpkg-deb --contents "$deb"
rm -rf "$staged"
dpkg-deb --extract "$deb" "$staged"

sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)
apt_get() {
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get "$@"
}

failed=()
check() {
    local name=$1
    shift
    echo "--- $name"
    if "$@"; then
        echo "ok: $name"
    else
        echo "FAILED: $name"
        failed+=("$name")
    fi
}

expected_files=(
    usr/bin/velmor-merger
    usr/bin/velmor-merge
    usr/share/applications/velmor-merger.desktop
    usr/share/metainfo/org.example.VelmorMerger.metainfo.xml
    usr/share/icons/hicolor/scalable/apps/velmor-merger.svg
    usr/share/man/man1/velmor-merger.1.gz
    usr/share/man/man1/velmor-merge.1.gz
    usr/share/doc/velmor-merger/copyright
    usr/share/doc/velmor-merger/changelog.Debian.gz
)
for size in 16 32 48 64 128 256; do
    expected_files+=("usr/share/icons/hicolor/${size}x${size}/apps/velmor-merger.png")
done

holds_every_file() {
    local missing=0 file
    for file in "${expected_files[@]}"; do
        [ -e "$staged/$file" ] || { echo "missing: /$file"; missing=1; }
    done
    return $missing
}

binaries_are_stripped() {
    local unstripped=0 binary
    for binary in "$staged"/usr/bin/*; do
        file -b "$binary" | grep -q ', stripped' || { echo "not stripped: $binary"; unstripped=1; }
    done
    return $unstripped
}

# Errors fail; warnings and notes are shown for the record.
lintian_finds_no_error() {
    lintian --fail-on error --info --display-info --tag-display-limit 0 "$deb"
}

desktop_entry_is_valid() {
    desktop-file-validate "$staged/usr/share/applications/velmor-merger.desktop"
}

# The whole tree: the metainfo, and the desktop entry and icons it names.
metainfo_is_valid() {
    appstreamcli validate --no-net "$staged/usr/share/metainfo/org.example.VelmorMerger.metainfo.xml" &&
        appstreamcli validate-tree --no-net "$staged"
}

installs() {
    if dpkg-query -W -f='${Status}' velmor-merger 2>/dev/null | grep -q 'ok installed'; then
        echo "removing the velmor-merger installed before"
        apt_get remove -y velmor-merger
    fi
    apt_get install -y "./$deb" &&
        dpkg-query -W -f='${Status} ${Version}\n' velmor-merger | grep -qx "install ok installed $version"
}

# The window runs until the time is up: exit by timeout (124) means it
# started and did not crash; any other end is a failure.
window_starts() {
    local status=0
    env -u QT_QPA_PLATFORM xvfb-run -a -s '-screen 0 1280x800x24' \
        timeout 3 /usr/bin/velmor-merger || status=$?
    echo "velmor-merger ended with status $status after 3 s"
    [ "$status" -eq 124 ]
}

command_starts() {
    local said
    said=$(/usr/bin/velmor-merge --version) && echo "$said" &&
        [ "$said" = "velmor-merge ${version%-*}" ] &&
        printf '1. e4 e5\n2. Nf3' | /usr/bin/velmor-merge - | cmp - <(printf '1. e4 e5\r\n2. Nf3\r\n\r\n')
}

removes_cleanly() {
    apt_get remove -y velmor-merger || return 1
    local left=0 file
    while IFS= read -r file; do
        [ -e "/$file" ] && { echo "left behind: /$file"; left=1; }
    done < <(cd "$staged" && find . \( -type f -o -type l \) -printf '%P\n')
    # A folder of the package that is still there, empty and owned by no
    # package was left behind too.
    while IFS= read -r file; do
        [ -d "/$file" ] && [ -z "$(ls -A "/$file")" ] && ! dpkg-query -S "/$file" >/dev/null 2>&1 &&
            { echo "left behind: /$file/"; left=1; }
    done < <(cd "$staged" && find . -mindepth 1 -type d -printf '%P\n')
    if dpkg-query -W -f='${Status}' velmor-merger 2>/dev/null | grep -q 'ok installed'; then
        echo "still installed"
        left=1
    fi
    return $left
}

check "the package holds every file" holds_every_file
check "the binaries are stripped" binaries_are_stripped
check "lintian finds no error" lintian_finds_no_error
check "desktop-file-validate passes" desktop_entry_is_valid
check "appstreamcli validate passes" metainfo_is_valid
check "apt-get installs the package" installs
check "the window starts" window_starts
check "velmor-merge starts" command_starts
check "apt-get removes it cleanly" removes_cleanly

echo
if [ ${#failed[@]} -eq 0 ]; then
    echo "$deb: every check passed"
else
    echo "$deb: ${#failed[@]} check(s) failed:"
    printf '  %s\n' "${failed[@]}"
    exit 1
fi
