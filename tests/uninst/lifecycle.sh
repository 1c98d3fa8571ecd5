#!/usr/bin/env bash
# The life cycle of OvUninst across simulated restarts of a Wine prefix that
# belongs to these tests alone: the uninstall (stage one), the next log-on
# (wineboot -r runs the run-once entry: stage two) and the restart after it
# (the copy and its placeholder go): for a product installed by a 64-bit and
# by a 32-bit installer (each writes its own registry view), and for a user,
# temporary folder and product named outside the ANSI code page. The last
# part does the same for the 9x family, whose version Wine reports to the
# program on request.
#
#   lifecycle.sh WINERUN PREFIX OVUNINST_EXE
#
# Every new session of a Wine prefix counts as a restart, so the whole script
# runs in one session kept alive by a persistent wineserver.
set -euo pipefail

winerun=$1
prefix=$2
exe=$3

failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
check() { # check DESCRIPTION COMMAND...
    local what=$1; shift
    if "$@"; then echo "ok: $what"; else fail "$what"; fi
}
run() { "$winerun" --prefix "$prefix" "$@" </dev/null; }
# The wineserver of the prefix's own Wine (the 32-bit one for an i686 tree).
wineserver() { "$winerun" --prefix "$prefix" --wineserver "$@"; }
restart() { run wineboot -r >/dev/null 2>&1; }

[ -f "$exe" ] || { echo "no $exe" >&2; exit 1; }

# Creates the prefix on first use; then let that session end and start one
# that lives until the end of the script.
run cmd /c exit >/dev/null 2>&1
prefix=$(cd "$prefix" && pwd)
export WINEPREFIX=$prefix
wineserver -w </dev/null >/dev/null 2>&1 || true
wineserver -p </dev/null >/dev/null 2>&1
# The temporary folder of the user, as the prefix had it.
saved_env=$(run reg query 'HKCU\Environment' 2>/dev/null | tr -d '\r' |
    sed -n 's/^    \(TMP\|TEMP\)    \(REG_[A-Z_]*\)    \(.*\)$/\1|\2|\3/p')
restore_env() {
    local line name type data
    while IFS= read -r line; do
        [ -n "$line" ] || continue
        name=${line%%|*}; line=${line#*|}; type=${line%%|*}; data=${line#*|}
        run reg add 'HKCU\Environment' /v "$name" /t "$type" /d "$data" /f >/dev/null 2>&1 || true
    done <<<"$saved_env"
}
cleanup() {
    restore_env
    rm -rf "$prefix/drive_c/ovs-life" "$prefix/drive_c/ovs-9x" "$prefix/drive_c/ovs-names"
    run reg delete 'HKCU\Software\Wine\AppDefaults\OvUninst.exe' /f >/dev/null 2>&1 || true
    for view in "" /reg:32; do
        run reg delete 'HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\OrvaneSlideShow_is1' /f \
            $view >/dev/null 2>&1 || true
    done
    wineserver -k </dev/null >/dev/null 2>&1 || true
}
trap cleanup EXIT
# The first program of the session carries out whatever earlier runs left.
run cmd /c exit >/dev/null 2>&1

runonce='HKLM\Software\Microsoft\Windows\CurrentVersion\RunOnce'
session='HKLM\System\CurrentControlSet\Control\Session Manager'
uninstall='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\OrvaneSlideShow_is1'

# "name|data" for every REG_SZ value under the run-once key.
runonce_values() { run reg query "$runonce" 2>/dev/null | tr -d '\r' | sed -n 's/^    \(.*\)    REG_SZ    \(.*\)$/\1|\2/p'; }
pending() { run reg query "$session" /v PendingFileRenameOperations 2>/dev/null | tr -d '\r' || true; }
unix_of() { run winepath -u "$1" 2>/dev/null | tr -d '\r'; }
# wait_until SECONDS COMMAND...: a few polls, for Wine's own pace. A wait in
# vain is no failure in itself: the checks after it tell what is missing.
wait_until() {
    local limit=$(( $1 * 5 )); shift
    for ((i = 0; i < limit; i++)); do "$@" && return 0; sleep 0.2; done
    return 0
}
missing() { [ ! -e "$1" ]; }
present() { [ -e "$1" ]; }
contains() { grep -qiF -- "$2" <<<"$1"; }
lacks() { ! grep -qiF -- "$2" <<<"$1"; }

check "no run-once value is left from before" test -z "$(runonce_values)"

# --- One uninstall; $1: the installed value to store, or "" for none; $2: the
# registry view the installer wrote it to (64 or 32) -------------------------
life_cycle() {
    local installed=$1 view=${2:-64}
    local app='C:\ovs-life\Orvane App'
    local file="$app\\product file.txt"
    local uapp="$prefix/drive_c/ovs-life/Orvane App"
    local ufile="$uapp/product file.txt"
    rm -rf "$prefix/drive_c/ovs-life"
    mkdir -p "$uapp"
    echo "product" >"$ufile"
    run reg delete "$uninstall" /f >/dev/null 2>&1 || true
    run reg delete "$uninstall" /f /reg:32 >/dev/null 2>&1 || true
    if [ -n "$installed" ]; then
        local where=()
        [ "$view" = 32 ] && where=(/reg:32)
        run reg add "$uninstall" /v 'Inno Setup CodeFile: Installed' /d "$installed" "${where[@]}" /f >/dev/null
    fi
    echo "--- life cycle, installed value '${installed:-none}' in the ${view}-bit view"

    # Stage one, as the uninstaller runs it.
    local rc=0
    run "$exe" -register "$file" "$app" >/dev/null 2>&1 || rc=$?
    check "stage one exits with 0" test "$rc" = 0
    local values
    values=$(runonce_values)
    check "one run-once value" test "$(grep -c . <<<"$values")" = 1
    local name=${values%%|*} data=${values#*|}
    check "its name is the folder's last name and the quote" test "$name" = 'Orvane App"'
    local copy=${data#\"}; copy=${copy%%\"*}
    check "its data is the stage-two command line" \
        test "$data" = "\"$copy\" -doit \"$file\" \"$app\""
    check "the copy is a tmpXXXX.exe in the temporary folder" \
        grep -qiE '^C:\\users\\[^\\]+\\Temp\\tmp[0-9A-F]{1,4}\.exe$' <<<"$copy"
    local placeholder=${copy%.exe}.tmp
    local ucopy uplaceholder
    ucopy=$(unix_of "$copy"); uplaceholder=$(unix_of "$placeholder")
    check "the copy is byte-identical to the program" cmp -s "$exe" "$ucopy"
    check "the empty placeholder stays" test -f "$uplaceholder" -a ! -s "$uplaceholder"
    check "nothing is removed before the log-on" test -f "$ufile"

    # The next log-on: Windows runs the copy with -doit.
    restart
    if [ -n "$installed" ] && [ "${installed,,}" = yes ]; then
        wait_until 10 contains "$(pending)" "$copy"
        check "an installed product keeps its file" present "$ufile"
        check "an installed product keeps its folder" present "$uapp"
    else
        wait_until 10 missing "$uapp"
        check "the file is gone" missing "$ufile"
        check "the emptied folder is gone" missing "$uapp"
    fi
    check "the run-once value is gone" test -z "$(runonce_values)"
    local p
    p=$(pending)
    check "the copy is scheduled for deletion" contains "$p" "\\??\\$copy"
    check "the placeholder is scheduled for deletion" contains "$p" "\\??\\$placeholder"
    check "the copy stays until the restart" present "$ucopy"

    # The restart after it.
    restart
    wait_until 10 missing "$ucopy"
    check "the copy is gone" missing "$ucopy"
    check "the placeholder is gone" missing "$uplaceholder"
    p=$(pending)
    check "nothing of the program is pending" lacks "$p" "$copy"
    check "no run-once value remains" test -z "$(runonce_values)"
}

life_cycle ""
life_cycle "Yes"
life_cycle "Yes" 32
run reg delete "$uninstall" /f /reg:32 >/dev/null 2>&1 || true

# --- Names outside the code page ----------------------------------------------
# The user Иван's temporary folder, a product folder 写真 holding ソ表.jpg.
# Wine gives every program started from outside the session the user's
# environment as the registry holds it.
echo "--- names in any script"
unames="$prefix/drive_c/ovs-names"
rm -rf "$unames"
mkdir -p "$unames/Иван" "$unames/写真"
echo "product" >"$unames/写真/ソ表.jpg"
run reg add 'HKCU\Environment' /v TMP /d 'C:\ovs-names\Иван' /f >/dev/null
run reg add 'HKCU\Environment' /v TEMP /d 'C:\ovs-names\Иван' /f >/dev/null
rc=0
run "$exe" -register 'C:\ovs-names\写真\ソ表.jpg' 'C:\ovs-names\写真' >/dev/null 2>&1 || rc=$?
check "stage one exits with 0" test "$rc" = 0
made=$(ls "$unames/Иван")
ucopy=$(grep -E '^tmp[0-9A-Fa-f]{1,4}\.exe$' <<<"$made" || true)
check "the copy is made in the temporary folder" test -n "$ucopy" -a "$(grep -c . <<<"$made")" = 2
copy='C:\\ovs-names\\Иван\\'"$ucopy" # as the export writes it
uplaceholder="$unames/Иван/${ucopy%.exe}.tmp"
ucopy="$unames/Иван/$ucopy"
check "the copy is byte-identical to the program" cmp -s "$exe" "$ucopy"
check "the empty placeholder stays" test -f "$uplaceholder" -a ! -s "$uplaceholder"
# reg query prints through the console's code page: the export is UTF-16.
runonce_export() {
    rm -f "$unames/runonce.reg"
    run reg export "$runonce" 'C:\ovs-names\runonce.reg' /y >/dev/null 2>&1 || true
    [ -f "$unames/runonce.reg" ] && iconv -f UTF-16LE -t UTF-8 "$unames/runonce.reg" | tr -d '\r'
}
expected_value='"写真\""="\"'"$copy"'\" -doit \"C:\\ovs-names\\写真\\ソ表.jpg\" \"C:\\ovs-names\\写真\""'
check "the run-once value holds the paths as given, named after the folder" \
    grep -qxF -- "$expected_value" <<<"$(runonce_export)"
check "nothing is removed before the log-on" test -f "$unames/写真/ソ表.jpg"
restart
wait_until 10 missing "$unames/写真"
check "the file is gone" missing "$unames/写真/ソ表.jpg"
check "the emptied folder is gone" missing "$unames/写真"
check "the run-once value is gone" lacks "$(runonce_export)" '-doit'
check "the copy stays until the restart" present "$ucopy"
restart
wait_until 10 missing "$ucopy"
check "the copy is gone" missing "$ucopy"
check "the placeholder is gone" missing "$uplaceholder"
restore_env
rm -rf "$unames"

# --- The 9x family: WININIT.INI ----------------------------------------------
echo "--- 9x family"
run reg add 'HKCU\Software\Wine\AppDefaults\OvUninst.exe' /v Version /d win98 /f >/dev/null
windows_dir="$prefix/drive_c/windows"
find "$windows_dir" -maxdepth 1 -iname wininit.ini -delete
u9x="$prefix/drive_c/ovs-9x"
rm -rf "$u9x"
mkdir -p "$u9x/First Uninstaller" "$u9x/Second Uninstaller"
cp "$exe" "$u9x/First Uninstaller/OvUninst.exe"
cp "$exe" "$u9x/Second Uninstaller/OvUninst.exe"
: >"$u9x/Second Uninstaller/OvUninst.tmp"
echo gone >"$u9x/gone.txt"
ini() { find "$windows_dir" -maxdepth 1 -iname wininit.ini | head -1; }
short_entry='NUL=C:\\OVS-9X\\[^ \\]{1,12}\\OVUNINST\.(EXE|TMP)'

rc=0
run 'C:\ovs-9x\First Uninstaller\OvUninst.exe' -doit >/dev/null 2>&1 || rc=$?
check "the 9x stage two exits with 0" test "$rc" = 0
inifile=$(ini)
check "a missing WININIT.INI is created" test -n "$inifile"
if [ -n "$inifile" ]; then
    content=$(cat "$inifile")
    check "it holds exactly [rename] and the entry, with CR LF" \
        grep -qiPz "^\\[rename\\]\\r\\n${short_entry}\\r\\n\$" "$inifile"
    first_entry=$(sed -n 2p "$inifile" | tr -d '\r')
    check "the entry names the program by its short path" grep -qiE "^${short_entry}\$" <<<"$first_entry"
    check "the NT family's pending operations are not used" lacks "$(pending)" 'ovs-9x'

    # Other sections around the rename section stay as they are.
    printf '[boot]\r\nshell=Explorer.exe\r\n\r\n[rename]\r\nNUL=C:\\ovs-9x\\gone.txt\r\n%s\r\n[386Enh]\r\nx = 1\r\n' \
        "$first_entry" >"$inifile"
    rc=0
    run 'C:\ovs-9x\Second Uninstaller\OvUninst.exe' -doit >/dev/null 2>&1 || rc=$?
    check "the second 9x stage two exits with 0" test "$rc" = 0
    inifile=$(ini)
    lines=$(tr -d '\r' <"$inifile")
    expected_head=$(printf '[boot]\nshell=Explorer.exe\n\n[rename]\nNUL=C:\\ovs-9x\\gone.txt\n%s' "$first_entry")
    check "the lines before the new entries are kept" test "$(head -6 <<<"$lines")" = "$expected_head"
    entry_a=$(sed -n 7p <<<"$lines" | tr a-z A-Z); entry_b=$(sed -n 8p <<<"$lines" | tr a-z A-Z)
    check "the second program's entry follows the first's" \
        test "$entry_a" != "$(tr a-z A-Z <<<"$first_entry")" -a "${entry_a: -13}" = '\OVUNINST.EXE'
    check "the placeholder's entry comes last" test "${entry_b: -13}" = '\OVUNINST.TMP'
    check "both new entries are NUL= short paths" \
        test "$(sed -n 7,8p <<<"$lines" | grep -ciE "^${short_entry}\$")" = 2
    check "the next section follows the rename section" test "$(sed -n 9,10p <<<"$lines")" = "$(printf '[386Enh]\nx = 1')"
    check "every line ends in CR LF" test "$(grep -c $'\r$' "$inifile")" = 10

    restart
    wait_until 10 missing "$u9x/First Uninstaller/OvUninst.exe"
    check "the restart deletes the first program" missing "$u9x/First Uninstaller/OvUninst.exe"
    check "the restart deletes the second program" missing "$u9x/Second Uninstaller/OvUninst.exe"
    check "the restart deletes the placeholder" missing "$u9x/Second Uninstaller/OvUninst.tmp"
    check "the restart carries out the older entry too" missing "$u9x/gone.txt"
fi
find "$windows_dir" -maxdepth 1 \( -iname wininit.ini -o -iname wininit.bak \) -delete

if [ "$failures" -gt 0 ]; then
    echo "$failures check(s) failed" >&2
    exit 1
fi
echo "all checks passed"
