#!/usr/bin/env bash
# The import check passes only a PE file whose import table it has read and
# found on the allow-lists: a file objdump can't read, or a table that lists
# nothing, fails like an import that old Windows lacks. The PE files are
# made here, without any runtime, so each imports exactly what its source
# names.
#
#   check_imports_tests.sh SOURCE_DIR
set -uo pipefail
src=$1
work=$(mktemp -d)
trap 'rm -rf --one-file-system "$work"' EXIT
failures=0

# pe NAME SOURCE: a PE32 with its entry at start() and only kernel32 linked.
pe() {
    printf '%s\n' "$2" >"$work/$1.c"
    i686-w64-mingw32-gcc -nostdlib -Wl,-e,_start -o "$work/$1" "$work/$1.c" -lkernel32
}
echo "not a program" >"$work/text.exe"
printf 'MZ' >"$work/mz.exe"
pe none.exe 'void start(void) {}'
pe old.exe '__declspec(dllimport) unsigned long __stdcall GetTickCount(void);
void start(void) { GetTickCount(); }'
pe new.exe '__declspec(dllimport) unsigned long long __stdcall GetTickCount64(void);
void start(void) { GetTickCount64(); }'

# file | exit code | what the check says
cases=(
    "text.exe|1|not a PE file objdump can read"
    "mz.exe|1|not a PE file objdump can read"
    "none.exe|1|its import table lists no import"
    "new.exe|1|NOT ALLOWED: KERNEL32.DLL GetTickCount64"
    "old.exe|0|KERNEL32.DLL: GetTickCount"
    "missing.exe|1|missing"
)
for case in "${cases[@]}"; do
    IFS='|' read -r file want_rc want_text <<<"$case"
    out=$("$src/tools/check-imports" "$work/$file" 2>&1); rc=$?
    if [ "$rc" = "$want_rc" ] && grep -qF -- "$want_text" <<<"$out"; then
        echo "ok: $file: exit $rc, \"$want_text\""
    else
        echo "FAIL: $file: exit $rc (wanted $want_rc), said: $out" >&2
        failures=$((failures + 1))
    fi
done
# One bad file among good ones fails the whole check.
"$src/tools/check-imports" "$work/old.exe" "$work/mz.exe" >/dev/null 2>&1 && {
    echo "FAIL: a readable file beside an unreadable one passed" >&2
    failures=$((failures + 1))
}

[ "$failures" -eq 0 ] || { echo "$failures check(s) failed" >&2; exit 1; }
