#include "CommandLine.h"

#include "PathText.h"

namespace ovs {

namespace {

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= ' ' && c != '\0'; }
bool IsArgumentByte(char c) { return static_cast<unsigned char>(c) > ' '; }

} // namespace

TArguments SplitCommandLine(std::string_view commandLine) {
    // A null byte ends the command line as it would a C string.
    commandLine = commandLine.substr(0, commandLine.find('\0'));
    TArguments args;
    std::size_t p = 0;
    const std::size_t n = commandLine.size();
    for (;;) {
        for (;;) {
            while (p < n && IsBlank(commandLine[p])) ++p;
            if (p + 1 < n && commandLine[p] == '"' && commandLine[p + 1] == '"') p += 2;
            else break;
        }
        if (p >= n) break;
        std::string arg;
        while (p < n && IsArgumentByte(commandLine[p])) {
            if (commandLine[p] == '"') {
                ++p;
                while (p < n && commandLine[p] != '"') arg += commandLine[p++];
                if (p < n) ++p;
            } else {
                arg += commandLine[p++];
            }
        }
        args.push_back(std::move(arg));
    }
    return args;
}

const std::string& ArgumentAt(const TArguments& args, std::size_t index) {
    static const std::string empty;
    return index < args.size() ? args[index] : empty;
}

bool HasSwitch(const TArguments& args, std::string_view name) {
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (!arg.empty() && (arg[0] == '-' || arg[0] == '/') &&
            SameTextAscii(std::string_view(arg).substr(1), name))
            return true;
    }
    return false;
}

std::string StageTwoCommandLine(std::string_view copyPath, std::string_view filePath,
                                std::string_view folderPath) {
    std::string line;
    line.reserve(copyPath.size() + filePath.size() + folderPath.size() + 16);
    line += '"';
    line += copyPath;
    line += "\" -doit \"";
    line += filePath;
    line += "\" \"";
    line += folderPath;
    line += '"';
    return line;
}

bool IsInstalledText(std::string_view text) { return SameTextAscii(text, "Yes"); }

} // namespace ovs
