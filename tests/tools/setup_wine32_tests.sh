#!/usr/bin/env bash
# The 32-bit set-up's removal of a half-made chroot never reaches through a
# mount left inside it: it refuses while one is listed and removes the tree
# once none is. Runs in a mount namespace of its own (root only), on small
# fake chroots in a temporary folder; no debootstrap.
#
#   setup_wine32_tests.sh SOURCE_DIR
set -uo pipefail
src=$1
if [ -z "${OVS_IN_OWN_NAMESPACE:-}" ]; then
    if [ "$(id -u)" -ne 0 ] || ! unshare --mount --propagation private true 2>/dev/null; then
        echo "skipped: the removal is checked in a mount namespace of its own, which needs root"
        exit 77
    fi
    exec unshare --mount --propagation private -- env OVS_IN_OWN_NAMESPACE=1 bash "$0" "$@"
fi
work=$(mktemp -d)
# A bind mount of the same file system is no other device to rm: nothing is
# removed while one is left.
trap 'umount "$work"/*/root/mnt 2>/dev/null; grep -q " $work/" /proc/self/mountinfo || rm -rf "$work"' EXIT
failures=0
check() { # check DESCRIPTION COMMAND...
    local what=$1; shift
    if "$@"; then echo "ok: $what"; else echo "FAIL: $what" >&2; failures=$((failures + 1)); fi
}

# folder name | what is mounted inside | exit code | is the chroot left
cases=(
    "i386-wine|a bind of a folder outside|1|left"
    "i386 wine|a bind of a folder outside|1|left"
    "i386-proc|proc|1|left"
    "i386-bare||0|gone"
)
for case in "${cases[@]}"; do
    IFS='|' read -r name mounted want_rc want_root <<<"$case"
    base=$work/$name root=$work/$name/root
    mkdir -p "$root/mnt" "$root/usr/bin" "$work/outside-$name"
    touch "$root/usr/bin/wine" "$base/.ovs-ready" "$work/outside-$name/keep"
    case "$mounted" in
        proc) mount -t proc proc "$root/mnt" ;;
        "") ;;
        *) mount --bind "$work/outside-$name" "$root/mnt" ;;
    esac
    out=$(OVS_I386_DIR=$base "$src/tools/setup-wine32" --remove 2>&1); rc=$?
    root_state=gone; [ -e "$root" ] && root_state=left
    check "$name, ${mounted:-nothing} mounted: exit $want_rc, the chroot $want_root" \
        test "$rc $root_state" = "$want_rc $want_root"
    check "$name: the file behind the mount is untouched" test -f "$work/outside-$name/keep"
    if [ "$want_rc" != 0 ]; then
        check "$name: the refusal names the mount" grep -qF "$root/mnt" <<<"$out"
        umount "$root/mnt"
    fi
done

[ "$failures" -eq 0 ] || { echo "$failures check(s) failed" >&2; exit 1; }
