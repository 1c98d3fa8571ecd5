#!/usr/bin/env bash
# The Wine runner picks the Wine by the program: an i686 program is never
# handed to wine64; where no 32-bit Wine can run it is skipped with the
# reason; where one can, it runs in the i386 chroot with the tree, the prefix
# and /proc visible at their own paths, the mounts gone with the run. The
# runner is copied beside stand-ins for its set-up tool and for Wine, and the
# chroot is a small one made here (root only: it needs mount namespaces).
#
#   winerun_tests.sh SOURCE_DIR            the choice of Wine and the skip
#   winerun_tests.sh SOURCE_DIR chroot     the chroot route; skipped (77,
#                                          with the reason) where it can't run
set -uo pipefail
src=$1 half=${2:-host}
if [ "$half" = chroot ] && { [ "$(id -u)" -ne 0 ] || ! unshare --mount true 2>/dev/null; }; then
    echo "skipped: the chroot route needs root and mount namespaces"
    exit 77
fi
work=$(mktemp -d)
# Nothing is ever mounted on the host side, so removing the folder can't
# reach outside it; refuse all the same if something is.
trap 'grep -q " $work/" /proc/self/mountinfo || rm -rf --one-file-system "$work"' EXIT
failures=0
check() { # check DESCRIPTION COMMAND...
    local what=$1; shift
    if "$@"; then echo "ok: $what"; else echo "FAIL: $what" >&2; failures=$((failures + 1)); fi
}

tree=$work/tree
mkdir -p "$tree/tools" "$tree/build/win32" "$tree/build/win64"
cp "$src/tools/winerun" "$tree/tools/"
# pe FILE MACHINE_BYTES: the few bytes of a PE header the runner reads.
pe() { printf 'MZ%58s\x40\x00\x00\x00PE\x00\x00%b' '' "$2" >"$1"; }
pe "$tree/build/win32/prog.exe" '\x4c\x01'
pe "$tree/build/win64/prog.exe" '\x64\x86'
pe "$tree/build/win64/arm.exe" '\x64\xaa'
# The host's wine64 and wineserver stand-ins note every call.
cat >"$tree/tools/fake-wine64" <<'EOS'
#!/bin/sh
echo "wine64 $*" >>"$WINEPREFIX.calls"
case "$1" in wineboot) mkdir -p "$WINEPREFIX" ;; */prog.exe) exit 3 ;; esac
EOS
printf '#!/bin/sh\necho "wineserver64 $*" >>"$WINEPREFIX.calls"\n' >"$tree/tools/fake-wineserver64"
chmod +x "$tree/tools/fake-wine64" "$tree/tools/fake-wineserver64"
export OVS_WINE=$tree/tools/fake-wine64 OVS_WINESERVER=$tree/tools/fake-wineserver64
status_says() { printf '#!/bin/sh\n[ "$1" = --status ] || exit 2\n%s\n' "$1" >"$tree/tools/setup-wine32"; chmod +x "$tree/tools/setup-wine32"; }
winerun() { "$tree/tools/winerun" "$@"; }

# --- Where no 32-bit Wine can run ------------------------------------------------
if [ "$half" = host ]; then
    status_says 'echo "no 32-bit code runs here"; exit 1'
    out=$(winerun --prefix "$tree/build/win32/wineprefix" "$tree/build/win32/prog.exe" 2>&1); rc=$?
    check "an i686 program is skipped (77) with the reason" \
        test "$rc $out" = "77 winerun: $tree/build/win32/prog.exe skipped: no 32-bit code runs here"
    check "wine64 is never handed an i686 program" test ! -e "$tree/build/win32/wineprefix.calls"
    winerun --can-run "$tree/build/win32/prog.exe" 2>/dev/null; rc=$?
    check "--can-run says 77 for an i686 program" test "$rc" = 77
    winerun --can-run "$tree/build/win64/prog.exe"; rc=$?
    check "--can-run says 0 for an x86_64 program" test "$rc" = 0
    winerun --prefix "$tree/build/win64/wineprefix" "$tree/build/win64/prog.exe" one two; rc=$?
    check "an x86_64 program runs under wine64 with its exit code" test "$rc" = 3
    check "...after the prefix was made and its server started" \
        test "$(cat "$tree/build/win64/wineprefix.calls")" = "wine64 wineboot -i
wineserver64 -w
wineserver64 -p10
wine64 winepath -w /
wine64 $tree/build/win64/prog.exe one two"
    check "...and the prefix is noted as a 64-bit one" test "$(cat "$tree/build/win64/wineprefix/.ovs-arch")" = x86_64
    winerun --prefix "$tree/build/win64/wineprefix" "$tree/build/win64/arm.exe" 2>/dev/null; rc=$?
    check "a program of another machine is refused" test "$rc" = 126

    # The real probe answers in one line either way.
    out=$("$src/tools/setup-wine32" --probe 2>&1); rc=$?
    check "the probe exits 0 or says why in one line" test "$rc" = 0 -o \( "$rc" = 1 -a "$(printf '%s\n' "$out" | wc -l)" = 1 \)
fi

# --- Where it can: the chroot ------------------------------------------------------
if [ "$half" = chroot ]; then
    status_says 'exit 0'
    root=$tree/build/i386-wine/root
    mkdir -p "$root/proc" "$root/dev" "$root/tmp" "$root/usr/bin" "$root/bin"
    for tool in /usr/bin/env /bin/sh /bin/mkdir; do
        cp -L "$tool" "$root$tool"
        for lib in $(ldd "$tool" | grep -o '/[^ ]*'); do
            mkdir -p "$root$(dirname "$lib")"; cp -L "$lib" "$root$lib"
        done
    done
    # The chroot's Wine notes what it sees from inside.
    cat >"$root/usr/bin/wine" <<EOS
#!/bin/sh
seen=""
[ -r /proc/self/status ] && seen="\$seen proc"
[ -f "$tree/tools/winerun" ] && seen="\$seen tree"
echo "wine32 \$* |\$seen" >>"\$WINEPREFIX.calls"
case "\$1" in wineboot) mkdir -p "\$WINEPREFIX" ;; */prog.exe) exit 5 ;; esac
EOS
    printf '#!/bin/sh\necho "wineserver32 $*" >>"$WINEPREFIX.calls"\n' >"$root/usr/bin/wineserver"
    chmod +x "$root/usr/bin/wine" "$root/usr/bin/wineserver"

    prefix=$tree/build/win32/wineprefix
    rm -f "$prefix.calls"
    winerun --prefix "$prefix" "$tree/build/win32/prog.exe" one; rc=$?
    check "an i686 program runs under the chroot's Wine with its exit code" test "$rc" = 5
    check "...with the tree and /proc visible inside, after the prefix was made" \
        test "$(cat "$prefix.calls")" = "wine32 wineboot -i | proc tree
wineserver32 -w
wineserver32 -p10
wine32 winepath -w / | proc tree
wine32 $tree/build/win32/prog.exe one | proc tree"
    check "...the prefix is noted as a 32-bit one" test "$(cat "$prefix/.ovs-arch")" = i686
    check "...and no mount outlives the run" sh -c "! grep -q ' $root' /proc/self/mountinfo"
    rm -f "$prefix.calls"
    winerun --prefix "$prefix" reg query 'HKCU\x' & first=$!
    winerun --prefix "$prefix" "$tree/build/win32/prog.exe" two; second=$?
    wait $first; first=$?
    check "two runs at once both get their mounts" \
        test "$first $second $(grep -c '| proc tree' "$prefix.calls")" = "0 5 4"
    check "...Wine's own programs run under the Wine the prefix was made with" \
        grep -q "^wine32 reg query HKCU\\\\x | proc tree$" "$prefix.calls"
    winerun --prefix "$prefix" --wineserver -k; rc=$?
    check "the prefix's own wineserver is the chroot's" test "$rc $(tail -1 "$prefix.calls")" = "0 wineserver32 -k"
    winerun --prefix "$prefix" "$tree/build/win64/prog.exe" 2>/dev/null; rc=$?
    check "an x86_64 program is refused in a 32-bit prefix" test "$rc" = 126
    check "no mount is left on the host" sh -c "! grep -q ' $root' /proc/self/mountinfo"
fi

[ "$failures" -eq 0 ] || { echo "$failures check(s) failed" >&2; exit 1; }
