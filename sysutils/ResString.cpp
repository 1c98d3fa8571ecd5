#include "ResString.h"

#include "WinText.h"
#include "lumSysUtils.h"

#include <vector>

namespace ovs {

HINSTANCE ResourceModule() {
    // The allocation that holds this function is the image of the module
    // that carries it; this works on every Windows, unlike
    // GetModuleHandleEx, which the 9x family and NT 4 lack.
    MEMORY_BASIC_INFORMATION info{};
    VirtualQuery(reinterpret_cast<const void*>(&ResourceModule), &info, sizeof(info));
    return static_cast<HINSTANCE>(info.AllocationBase);
}

namespace {

// LoadString answers the length it copied; a text that fills the buffer may
// have been cut, so the buffer grows until one character is left over. A
// string table entry holds at most 65,535 characters.
template <class Char, class Load>
std::basic_string<Char> LoadWhole(UINT id, Load load) {
    for (size_t size = 256; size <= 65536; size *= 4) {
        std::vector<Char> buffer(size);
        const int length = load(buffer.data(), static_cast<int>(buffer.size()));
        if (length <= 0) break;
        if (static_cast<size_t>(length) + 1 < buffer.size())
            return std::basic_string<Char>(buffer.data(), static_cast<size_t>(length));
    }
    throw EResourceMissing(std::to_string(id));
}

} // namespace

std::string LoadResString(UINT id) {
    return LoadWhole<char>(id, [&](char* b, int n) { return LoadStringA(ResourceModule(), id, b, n); });
}

std::wstring LoadResStringW(UINT id) {
    // The 9x family's LoadStringW is not to be relied on: its texts come
    // through the ANSI table, which holds nothing the code page lacks there.
    if (!IsWinNT) return WideFromAnsi(LoadResString(id));
    return LoadWhole<wchar_t>(id, [&](wchar_t* b, int n) { return LoadStringW(ResourceModule(), id, b, n); });
}

std::string FormatResString(UINT id, const std::string& argument) {
    const std::string pattern = LoadResString(id);
    std::string text;
    text.reserve(pattern.size() + argument.size());
    for (size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] == '%' && i + 1 < pattern.size() && pattern[i + 1] == 's') {
            text += argument;
            ++i;
        } else {
            text += pattern[i];
        }
    }
    return text;
}

} // namespace ovs
