// A test program that CTest runs once more under another ANSI code page
// (OVS_TEST_CODE_PAGE=932, LANG naming the Unix locale Wine takes it from)
// can test nothing where that code page is not in effect or where Wine can't
// name files in it because the locale is not generated. It then reports
// itself skipped as a whole, before any test runs: exit 77, the reason on one
// line. A test that skipped itself inside the run would leave the verdict to
// the others, and a skip read from the output could hide their failures.

#include "WinHandle.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace ovs::test {
namespace {

std::string EnvironmentValue(const char* name) {
    char value[512] = {};
    const DWORD length = GetEnvironmentVariableA(name, value, sizeof value);
    return length > 0 && length < sizeof value ? value : "";
}

// Why the program can't run its tests under the code page, or "".
std::string WhyNotUnder(UINT wanted) {
    const std::string cp = std::to_string(wanted);
    const std::string lang = "LANG=" + EnvironmentValue("LANG");
    if (GetACP() != wanted)
        return "code page " + cp + " is not in effect: Wine took " + std::to_string(GetACP()) + " from " + lang;
    // ソ is double-byte in code page 932 (0x83 0x5C); Wine creates such a
    // name only where the Unix locale exists.
    if (wanted != 932) return "";
    wchar_t temp[MAX_PATH + 1] = {};
    if (GetTempPathW(MAX_PATH, temp) == 0) return "the temporary folder is unknown";
    const std::wstring name = std::wstring(temp) + L"ovs-cp932-" + std::to_wstring(GetCurrentProcessId()) + L"-\u30BD";
    const TFileHandle file(CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                       FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
    if (!file) return "Wine can't name files in code page " + cp + ": the locale of " + lang + " is not generated (locale-gen)";
    return "";
}

// Runs while the program starts, before GoogleTest sees its arguments.
[[maybe_unused]] const bool kCodePageChecked = [] {
    const std::string wanted = EnvironmentValue("OVS_TEST_CODE_PAGE");
    if (wanted.empty()) return true;
    const std::string why = WhyNotUnder(static_cast<UINT>(std::strtoul(wanted.c_str(), nullptr, 10)));
    if (why.empty()) return true;
    std::printf("skipped: %s\n", why.c_str());
    std::fflush(stdout);
    std::_Exit(77);
}();

} // namespace
} // namespace ovs::test
