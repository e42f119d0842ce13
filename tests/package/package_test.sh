#!/usr/bin/env bash
# package_test.sh BUILD_DIR: builds the Debian package from BUILD_DIR with CPack, unpacks it
# into a scratch root and checks it as a user would get it: the files it holds, the menu
# entry, the icons, the run path to the private libvbmp3.so, that every library the
# programs need comes from a package it depends on, and that the unpacked zt4, started as
# the menu entry starts it, shows its window with the library loaded from the scratch root
# and opens the FAQ from its folder. Exits 77 (skipped) when a tool it needs is missing.
set -euo pipefail

if [ $# -ne 1 ]; then
    echo "usage: $0 BUILD_DIR" >&2
    exit 2
fi
build=$(realpath "$1")
here=$(cd "$(dirname "$0")" && pwd)
src=$(cd "$here/../.." && pwd)

for tool in cpack dpkg-deb dpkg-query readelf ldd Xvfb xdotool xwininfo xdpyinfo; do
    if ! command -v "$tool" >/dev/null; then
        echo "SKIP: no $tool"
        exit 77
    fi
done

tmp=$(mktemp -d "${TMPDIR:-/tmp}/zt4-package.XXXXXX")
player=""
cleanup() {
    local rc=$?
    set +e
    [ -n "$player" ] && kill "$player" 2>/dev/null && wait "$player" 2>/dev/null
    xvfb_stop
    if [ "$rc" -eq 0 ]; then rm -rf "$tmp"; else echo "the package and its unpacked root are in $tmp" >&2; fi
    exit "$rc"
}
# shellcheck source=scripts/xvfb.sh
. "$src/scripts/xvfb.sh"
trap cleanup EXIT
trap 'exit 130' INT TERM

fail() {
    echo "package_test: $*" >&2
    exit 1
}

# Outside the build tree, so that nothing of a run is left behind in it.
cpack -G DEB --config "$build/CPackConfig.cmake" -B "$tmp/out" >"$tmp/cpack.log" 2>&1 ||
    fail "cpack failed: $(cat "$tmp/cpack.log")"
debs=("$tmp"/out/zt4_*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || fail "expected one zt4_*.deb, got: ${debs[*]}"
deb=${debs[0]}
root=$tmp/root
dpkg-deb -x "$deb" "$root"

# The files, and nothing else: no test library, header or build leftover.
dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { print $NF }' | sort >"$tmp/files"
sort >"$tmp/expected" <<'EOF'
./usr/bin/zt4
./usr/lib/zt4/libvbmp3.so
./usr/share/applications/zt4.desktop
./usr/share/icons/hicolor/32x32/apps/zt4.png
./usr/share/icons/hicolor/scalable/apps/zt4.svg
./usr/share/zt4/FAQ.txt
EOF
diff -u "$tmp/expected" "$tmp/files" >&2 || fail "the package's files differ from the list above"
[ -x "$root/usr/bin/zt4" ] || fail "zt4 is not executable"

# The menu entry: its name, categories, and the program and folder it names must be the
# package's own (a path of the build's configured prefix, such as /usr/local, is not).
desktop=$root/usr/share/applications/zt4.desktop
entry() { sed -n "s/^$1=//p" "$desktop"; }
[ "$(entry Name)" = "MP3音楽再生" ] || fail "menu entry Name is '$(entry Name)'"
[ "$(entry Categories)" = "AudioVideo;Audio;Player;" ] || fail "Categories is '$(entry Categories)'"
[ "$(entry Type)" = Application ] && [ "$(entry Icon)" = zt4 ] || fail "Type or Icon is wrong"
exec_path=$(entry Exec)
workdir=$(entry Path)
[ "$exec_path" = /usr/bin/zt4 ] || fail "Exec is '$exec_path'"
[ -f "$root$workdir/FAQ.txt" ] || fail "the entry's folder '$workdir' holds no FAQ.txt"
if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$desktop" || fail "desktop-file-validate rejects the menu entry"
fi

# The icons: a 32×32 PNG and an SVG.
python3 - "$root/usr/share/icons/hicolor" <<'EOF' || fail "an icon is not what its folder says"
import struct, sys
png = open(sys.argv[1] + "/32x32/apps/zt4.png", "rb").read()
assert png[:8] == b"\x89PNG\r\n\x1a\n" and png[12:16] == b"IHDR", "not a PNG"
assert struct.unpack(">II", png[16:24]) == (32, 32), "PNG is %dx%d" % struct.unpack(">II", png[16:24])
assert b"<svg" in open(sys.argv[1] + "/scalable/apps/zt4.svg", "rb").read(), "no <svg> element"
EOF

# The run path leads from the program to its private library folder.
runpath=$(readelf -d "$root/usr/bin/zt4" | sed -n 's/.*(RUNPATH).*\[\(.*\)\]/\1/p')
[ "$runpath" = '$ORIGIN/../lib/zt4' ] || fail "zt4's RUNPATH is '$runpath'"
[ "$(cd "$root/usr/bin" && realpath ../lib/zt4/libvbmp3.so)" = "$root/usr/lib/zt4/libvbmp3.so" ] ||
    fail "the run path does not lead to libvbmp3.so"

# Depends: the runtime packages by name, each installed here in a version it accepts (the
# build machine has every one), and every shared library that zt4 and libvbmp3.so load
# coming from one of them or from a package one of them depends on.
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
for want in libqt6widgets6 libmpg123-0 libout123-0 mpg123 fonts-ipafont-gothic; do
    grep -Eq "(^|, )$want( |,|$)" <<<"$depends" || fail "Depends lacks $want"
done
allowed=" "
IFS=',' read -ra clauses <<<"$depends"
for clause in "${clauses[@]}"; do
    read -r name op version <<<"$(sed 's/[()]//g' <<<"$clause")"
    installed=$(dpkg-query -W -f='${Status} ${Version}' "$name" 2>/dev/null || true)
    [[ "$installed" == "install ok installed "* ]] || fail "Depends names $name, which is not installed here"
    if [ -n "${op:-}" ]; then
        dpkg --compare-versions "${installed##* }" "$op" "$version" ||
            fail "$name ${installed##* } does not satisfy ($op $version)"
    fi
    allowed+="$name $(dpkg-query -W -f='${Depends} ${Pre-Depends}' "$name" | sed 's/([^)]*)//g; s/[,|]/ /g') "
done
# owner_of LIB: the package that holds LIB, under any of its names (/lib is /usr/lib here,
# but dpkg knows each file by the one its package gave).
owner_of() {
    local p out
    [ -n "$1" ] || return 0
    for p in "$1" "${1#/usr}" "/usr$1" "$(realpath "$1")" "$(realpath "$1" | sed 's,^/usr,,')"; do
        out=$(dpkg-query -S "$p" 2>/dev/null) && { echo "${out%%:*}"; return 0; }
    done
}
for elf in "$root/usr/bin/zt4" "$root/usr/lib/zt4/libvbmp3.so"; do
    ldd "$elf" >"$tmp/ldd" || fail "ldd $elf failed"
    ! grep -q "not found" "$tmp/ldd" || fail "$(basename "$elf") has unresolved libraries: $(grep 'not found' "$tmp/ldd")"
    for needed in $(readelf -d "$elf" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p'); do
        # "name => path (address)", or for the dynamic loader "path (address)".
        lib=$(awk -v n="$needed" '$1 == n && $2 == "=>" { print $3 }
            $1 ~ "/" n "$" { print $1 }' "$tmp/ldd")
        owner=$(owner_of "$lib")
        [[ "$allowed" == *" ${owner:-?} "* ]] ||
            fail "$(basename "$elf") needs $needed ($lib, of ${owner:-no package}), which Depends does not bring"
    done
done

# Started as the menu entry starts it, on a display of its own, with nothing that could
# point it at the build tree's library.
unset WAYLAND_DISPLAY QT_QPA_PLATFORM LD_LIBRARY_PATH LD_PRELOAD
export HOME=$tmp/home XDG_RUNTIME_DIR=$tmp/runtime
mkdir -p "$HOME" "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
xvfb_start
(cd "$root$workdir" && exec "$root$exec_path") >"$tmp/zt4.log" 2>&1 &
player=$!
main=$(xvfb_wait_window "MP3音楽再生")
[ -n "$main" ] || fail "the installed zt4 showed no window 'MP3音楽再生'; its output: $(cat "$tmp/zt4.log")"
xwininfo -id "$main" | grep -q "Map State: IsViewable" || fail "the main window is not mapped"
loaded=$(awk '$NF ~ /libvbmp3\.so$/ { print $NF }' "/proc/$player/maps" | sort -u)
[ "$loaded" = "$root/usr/lib/zt4/libvbmp3.so" ] ||
    fail "zt4 loaded libvbmp3.so from '${loaded:-nowhere}', not from the unpacked package"
# The FAQ, through the help menu (its second title; FAQ is the first item): it opens only
# if FAQ.txt was found in the folder the program was started in.
[ -n "$(xvfb_open_from_menu "$main" 95 32 FAQ)" ] || fail "the FAQ window did not open"
echo "package: $(basename "$deb") installs, starts and shows its FAQ"
