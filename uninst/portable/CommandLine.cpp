#include "CommandLine.h"

#include "PathText.h"

#include <type_traits>

namespace ovs {

namespace {

// The code of a character: a byte above 0x7F is no blank, whatever the
// signedness of char.
template <class Char>
auto Code(Char c) {
    return static_cast<std::make_unsigned_t<Char>>(c);
}

template <class Char>
bool IsBlank(Char c) {
    return Code(c) <= ' ' && c != Char('\0');
}

template <class Char>
bool IsArgumentChar(Char c) {
    return Code(c) > ' ';
}

template <class Char>
TArgumentsOf<Char> Split(std::basic_string_view<Char> commandLine) {
    // A null character ends the command line as it would a C string.
    commandLine = commandLine.substr(0, commandLine.find(Char('\0')));
    constexpr Char kQuote = Char('"');
    TArgumentsOf<Char> args;
    std::size_t p = 0;
    const std::size_t n = commandLine.size();
    for (;;) {
        for (;;) {
            while (p < n && IsBlank(commandLine[p])) ++p;
            if (p + 1 < n && commandLine[p] == kQuote && commandLine[p + 1] == kQuote) p += 2;
            else break;
        }
        if (p >= n) break;
        std::basic_string<Char> arg;
        while (p < n && IsArgumentChar(commandLine[p])) {
            if (commandLine[p] == kQuote) {
                ++p;
                while (p < n && commandLine[p] != kQuote) arg += commandLine[p++];
                if (p < n) ++p;
            } else {
                arg += commandLine[p++];
            }
        }
        args.push_back(std::move(arg));
    }
    return args;
}

template <class Char>
const std::basic_string<Char>& At(const TArgumentsOf<Char>& args, std::size_t index) {
    static const std::basic_string<Char> empty;
    return index < args.size() ? args[index] : empty;
}

template <class Char>
bool Has(const TArgumentsOf<Char>& args, std::basic_string_view<Char> name) {
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::basic_string<Char>& arg = args[i];
        if (!arg.empty() && (arg[0] == Char('-') || arg[0] == Char('/')) &&
            SameTextAscii(std::basic_string_view<Char>(arg).substr(1), name))
            return true;
    }
    return false;
}

template <class Char>
std::basic_string<Char> StageTwo(std::basic_string_view<Char> copyPath, std::basic_string_view<Char> filePath,
                                 std::basic_string_view<Char> folderPath) {
    constexpr Char kQuote = Char('"');
    constexpr std::string_view kSwitch = "\" -doit \"";
    constexpr std::string_view kBetween = "\" \"";
    std::basic_string<Char> line;
    line.reserve(copyPath.size() + filePath.size() + folderPath.size() + 16);
    line += kQuote;
    line += copyPath;
    line.append(kSwitch.begin(), kSwitch.end());
    line += filePath;
    line.append(kBetween.begin(), kBetween.end());
    line += folderPath;
    line += kQuote;
    return line;
}

} // namespace

TArguments SplitCommandLine(std::string_view commandLine) { return Split(commandLine); }
TWideArguments SplitCommandLine(std::wstring_view commandLine) { return Split(commandLine); }

const std::string& ArgumentAt(const TArguments& args, std::size_t index) { return At(args, index); }
const std::wstring& ArgumentAt(const TWideArguments& args, std::size_t index) { return At(args, index); }

bool HasSwitch(const TArguments& args, std::string_view name) { return Has(args, name); }
bool HasSwitch(const TWideArguments& args, std::wstring_view name) { return Has(args, name); }

std::string StageTwoCommandLine(std::string_view copyPath, std::string_view filePath, std::string_view folderPath) {
    return StageTwo(copyPath, filePath, folderPath);
}

std::wstring StageTwoCommandLine(std::wstring_view copyPath, std::wstring_view filePath,
                                 std::wstring_view folderPath) {
    return StageTwo(copyPath, filePath, folderPath);
}

bool IsInstalledText(std::string_view text) { return SameTextAscii(text, "Yes"); }

} // namespace ovs
