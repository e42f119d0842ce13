#!/usr/bin/env bash
# package_test.sh BUILD_DIR: the Debian package built with CPack and unpacked into a scratch
# root, checked as a user gets it, by Debian's and AppStream's checkers, and started as its
# menu entry starts it. Skipped (77) without the tools.
# shellcheck source=tests/support/common.sh
. "$(dirname "$0")/../support/common.sh"
usage BUILD_DIR "$@"
build=$(realpath "$1")
need cpack dpkg-deb dpkg-query readelf ldd lintian appstreamcli desktop-file-validate Xvfb xdotool xdpyinfo
scratch package

# Outside the build tree, so that a run leaves nothing in it.
cpack -G DEB --config "$build/CPackConfig.cmake" -B "$tmp/out" >"$tmp/cpack.log" 2>&1 ||
    fail "cpack failed: $(cat "$tmp/cpack.log")"
deb=$(echo "$tmp"/out/zt4_*.deb)
dest=$tmp/root
dpkg-deb -x "$deb" "$dest"

# Nothing else: no test library, header or build leftover.
dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { print $NF }' | sort >"$tmp/files"
diff -u - "$tmp/files" >&2 <<'FILES' || fail "the package's files differ from the list above"
./usr/bin/zt4
./usr/lib/zt4/libvbmp3.so
./usr/share/applications/zt4.desktop
./usr/share/doc/zt4/changelog.gz
./usr/share/doc/zt4/copyright
./usr/share/icons/hicolor/32x32/apps/zt4.png
./usr/share/icons/hicolor/scalable/apps/zt4.svg
./usr/share/lintian/overrides/zt4
./usr/share/man/man1/zt4.1.gz
./usr/share/metainfo/org.example.zt4.metainfo.xml
./usr/share/zt4/FAQ.txt
FILES

# Debian's checker (copyright, changelog, description, manual page, permissions, stripping,
# run path, the menu entry) and AppStream's (the metadata and the entry it launches).
lintian --fail-on error,warning "$deb" >"$tmp/lintian.log" 2>&1 ||
    fail "lintian: $(grep -v '^running with root' "$tmp/lintian.log")"
appstreamcli validate-tree --no-net "$dest" >"$tmp/appstream.log" 2>&1 ||
    fail "appstreamcli: $(cat "$tmp/appstream.log")"

# The entry starts the package's program on the files it is given, MP3s for "open with", in
# the package's folder, not the build's prefix (it once said /usr/local).
desktop=$dest/usr/share/applications/zt4.desktop
read -r program arguments <<<"$(sed -n 's/^Exec=//p' "$desktop")"
workdir=$(sed -n 's/^Path=//p' "$desktop")
[ -x "$dest/usr/bin/$program" ] && [ "$arguments" = %F ] && [ "$workdir" = /usr/share/zt4 ] &&
    grep -q '^MimeType=\(.*;\)\?audio/mpeg;' "$desktop" ||
    fail "the menu entry says: $(grep '^\(Exec\|Path\|MimeType\)=' "$desktop")"
desktop-file-validate "$desktop" || fail "desktop-file-validate rejects the menu entry"
runpath=$(readelf -d "$dest/usr/bin/zt4" | sed -n 's/.*(RUNPATH).*\[\(.*\)\]/\1/p')
[ "$runpath" = '$ORIGIN/../lib/zt4' ] || fail "zt4's RUNPATH is '$runpath'"

# Every Depends clause is installed here in a version it accepts, and every library zt4 and
# libvbmp3.so load comes from one of them or from a package one of them depends on.
allowed=" "
IFS=',' read -ra clauses <<<"$(dpkg-deb -f "$deb" Depends)"
for clause in "${clauses[@]}"; do
    read -r name op version <<<"${clause//[()]/}"
    installed=$(dpkg-query -W -f='${Status} ${Version}' "$name" 2>/dev/null || true)
    [[ "$installed" == "install ok installed "* ]] || fail "Depends names $name, not installed here"
    [ -z "${op:-}" ] || dpkg --compare-versions "${installed##* }" "$op" "$version" ||
        fail "$name ${installed##* } does not satisfy ($op $version)"
    allowed+="$name $(dpkg-query -W -f='${Depends} ${Pre-Depends}' "$name" | sed 's/([^)]*)//g; s/[,|]/ /g') "
done
# owner_of LIB: the package holding LIB under any of its names (/lib is /usr/lib here, but
# dpkg knows each file by the one its package gave).
owner_of() {
    local p out
    for p in "$1" "${1#/usr}" "/usr$1" "$(realpath "$1")" "$(realpath "$1" | sed 's,^/usr,,')"; do
        out=$(dpkg-query -S "$p" 2>/dev/null) && { echo "${out%%:*}"; return 0; }
    done
}
for elf in "$dest/usr/bin/zt4" "$dest/usr/lib/zt4/libvbmp3.so"; do
    ldd "$elf" >"$tmp/ldd" && ! grep "not found" "$tmp/ldd" || fail "${elf##*/}: unresolved libraries"
    for needed in $(readelf -d "$elf" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p'); do
        # "name => path (address)", or for the dynamic loader "path (address)".
        lib=$(awk -v n="$needed" '$1 == n && $2 == "=>" { print $3 } $1 ~ "/" n "$" { print $1 }' "$tmp/ldd")
        owner=$(owner_of "$lib")
        [[ "$allowed" == *" ${owner:-?} "* ]] ||
            fail "${elf##*/} needs $needed ($lib, of ${owner:-no package}), which Depends does not bring"
    done
done

# Started as the menu entry starts it, with nothing pointing at the build tree's library.
unset WAYLAND_DISPLAY QT_QPA_PLATFORM LD_LIBRARY_PATH LD_PRELOAD
mkdir -p "$tmp/home" "$tmp/runtime" && chmod 700 "$tmp/runtime"
export HOME=$tmp/home XDG_RUNTIME_DIR=$tmp/runtime
xvfb_start
launch "$dest$workdir" "$dest/usr/bin/$program"
main=$(xvfb_wait_window "MP3音楽再生") # --onlyvisible: mapped
[ -n "$main" ] || fail "zt4 showed no window; its output: $(cat "$tmp/zt4.log")"
loaded=$(awk '$NF ~ /libvbmp3\.so$/ { print $NF }' "/proc/$player/maps" | sort -u)
[ "$loaded" = "$dest/usr/lib/zt4/libvbmp3.so" ] || fail "zt4 loaded libvbmp3.so from '${loaded:-nowhere}'"
# The help menu's first item; the FAQ opens only if FAQ.txt is in the folder it started in.
[ -n "$(xvfb_open_from_menu "$main" 95 32 FAQ)" ] || fail "the FAQ window did not open"
echo "package: ${deb##*/} installs, starts and shows its FAQ"
