#!/usr/bin/env bash
# A test program run once more under code page 932 reports itself skipped as
# a whole, exit 77 with its reason on one line, where the code page is not in
# effect or its Unix locale is missing (a made-up locale name stands for one
# that was never generated); where the locale is there, its tests run. No
# test of the tree decides a skip from its output, so a skip beside a failure
# is a failure.
#
#   cp932_tests.sh BUILD_DIR WINERUN PREFIX PROGRAM [GTEST_FILTER]
set -uo pipefail
build=$1 winerun=$2 prefix=$3 program=$4 filter=${5:-*}
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
    out=$(env LANG="$lang" LC_ALL="$lang" OVS_TEST_CODE_PAGE=932 "$winerun" --prefix "$prefix" "$program" \
        --gtest_filter="$filter" 2>&1); rc=$?
    if [ "$want_rc" = 77 ]; then
        [ "$rc" = 77 ] && [ "$(printf '%s\n' "$out" | wc -l)" = 1 ] && [[ "$out" == "skipped: "*"$want_text"* ]]
    else
        [ "$rc" = 0 ] && [[ "$out" == *"[  PASSED  ]"* ]] && [[ "$out" != *"[  SKIPPED ]"* ]]
    fi && echo "ok: LANG=$lang: exit $rc${want_text:+, \"$want_text\"}" ||
        fail "LANG=$lang: wanted exit $want_rc${want_text:+ and one skip line naming \"$want_text\"}, got exit $rc: $out"
done

# How the tree's tests are registered: a skip is an exit code, never a match.
json=$(ctest --test-dir "$build" --show-only=json-v1)
python3 - "$json" <<'EOF' || failures=$((failures + 1))
import json, sys
tests = json.loads(sys.argv[1])["tests"]
bad = []
for test in tests:
    props = {p["name"]: p["value"] for p in test.get("properties", [])}
    if "SKIP_REGULAR_EXPRESSION" in props:
        bad.append(f"{test['name']} decides a skip from its output")
    if test["name"].endswith("_cp932") and str(props.get("SKIP_RETURN_CODE")) != "77":
        bad.append(f"{test['name']} has no skip exit code 77")
for line in bad:
    print("FAIL:", line, file=sys.stderr)
print("ok: no test decides a skip from its output" if not bad else "", end="")
sys.exit(1 if bad else 0)
EOF

[ "$failures" -eq 0 ] || { echo "$failures check(s) failed" >&2; exit 1; }
