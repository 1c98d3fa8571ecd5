#!/usr/bin/env bash
# A test program run once more under code page 932 reports itself skipped as
# a whole, exit 77 with its reason on one line, where the code page is not in
# effect or its Unix locale is missing (a made-up locale name stands for one
# that was never generated); where the locale is there, its tests run.
#
#   cp932_tests.sh WINERUN PREFIX PROGRAM [GTEST_FILTER]
set -uo pipefail
winerun=$1 prefix=$2 program=$3 filter=${4:-*}
if ! why=$("$winerun" --can-run "$program" 2>&1); then
    echo "skipped: ${why#*skipped: }"
    exit 77
fi
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

has_locale=no
locale -a 2>/dev/null | grep -qix 'ja_JP.utf-\?8' && has_locale=yes
# LANG | exit code | what the one line says ("" where the tests run)
cases=(
    "ja_JP.NOSUCH|77|ja_JP.NOSUCH"
    "C.UTF-8|77|code page 932 is not in effect: Wine took 1252 from LANG=C.UTF-8"
)
if [ "$has_locale" = yes ]; then
    cases+=("ja_JP.UTF-8|0|")
else
    cases+=("ja_JP.UTF-8|77|ja_JP.UTF-8")
fi
for case in "${cases[@]}"; do
    IFS='|' read -r lang want_rc want_text <<<"$case"
    # Only the program's output: the runner's shell warns on its own of a
    # missing locale.
    out=$(env LANG="$lang" LC_ALL="$lang" OVS_TEST_CODE_PAGE=932 "$winerun" --prefix "$prefix" "$program" \
        --gtest_filter="$filter" 2>/dev/null); rc=$?
    if [ "$want_rc" = 77 ]; then
        [ "$rc" = 77 ] && [ "$(printf '%s\n' "$out" | wc -l)" = 1 ] && [[ "$out" == "skipped: "*"$want_text"* ]]
    else
        [ "$rc" = 0 ] && [[ "$out" == *"[  PASSED  ]"* ]] && [[ "$out" != *"[  SKIPPED ]"* ]]
    fi && echo "ok: LANG=$lang: exit $rc${want_text:+, \"$want_text\"}" ||
        fail "LANG=$lang: wanted exit $want_rc${want_text:+ and one skip line naming \"$want_text\"}, got exit $rc: $out"
done

[ "$failures" -eq 0 ] || { echo "$failures check(s) failed" >&2; exit 1; }
