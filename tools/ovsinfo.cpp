// ovsinfo: the metadata reader's own front end. Prints what ReadImageFile
// learnt about each file: the record's fields, the section table, the tag and
// maker-note lines, the IPTC lines and the caption.
//
//   ovsinfo [--json | --caption] FILE...
//
// Exit code 0 when every file was read (with or without metadata), 1 when a
// file does not exist, is no regular file or can't be opened, 2 for bad usage.
// On Windows the file names come as UTF-16 from the command line and reach
// the reader as UTF-8, so names outside the ANSI code page are read too.
// The output is UTF-8 whatever the files hold: texts are decoded by the rule
// the caption item shows captions by (DecodeStoredText).
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#ifdef _WIN32
#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <shellapi.h>

#include "WinText.h"
#include "WindowsFileAccess.h"
#endif

#include "Caption.h"
#include "ImageInfo.h"
#include "IptcReader.h"
#include "JpegScanner.h"
#include "StoredText.h"
#include "Utf8Text.h"
#include "ValueFormat.h"

namespace ovs {
namespace {

enum class TOutput { Text, Json, Caption };

void Out(std::string_view text) { std::fwrite(text.data(), 1, text.size(), stdout); }

void Usage(std::FILE* to) {
    std::fputs("usage: ovsinfo [--json | --caption] FILE...\n"
               "  --json     one JSON object per file (an array for several files)\n"
               "  --caption  only each file's caption, one line per file\n"
               "Output is UTF-8. IPTC texts are UTF-8 where their record says so (dataset\n"
               "1:90) or where their bytes are valid UTF-8, other texts likewise; the rest\n"
               "are taken in the ANSI code page (off Windows, Windows-1252 stands in for it).\n"
               "In the text output and with --caption each value stays on its line: a\n"
               "carriage return is written \\r, a line feed \\n, a NUL \\0; with --caption a\n"
               "backslash is written \\\\.\n",
               to);
}

#ifdef _WIN32
std::wstring AnsiText(std::string_view bytes) { return WideFromAnsi(bytes); }
constexpr TAnsiDecoder AnsiDecoder = &AnsiText;
#else
constexpr TAnsiDecoder AnsiDecoder = nullptr;   // Windows-1252
#endif

// A stored text as UTF-8, decoded by the rule every caption is shown by.
std::string Shown(std::string_view bytes, bool declaredUtf8 = false) {
    return Utf8FromUtf16(DecodeStoredText(bytes, declaredUtf8, AnsiDecoder));
}

// No limit on the shown length of a value.
constexpr size_t Whole = std::string::npos;

// UTF-8 text with each character as escape gives it (the character's own
// bytes when it gives nothing), stopping before the character whose form
// would pass maxBytes: values taken from anywhere in the file are shown only
// as far as the reader's own lines show them, so the output stays within a
// multiple of the file's size.
template <class TEscape>
std::string Escaped(std::string_view utf8, size_t maxBytes, TEscape&& escape) {
    std::string out;
    for (size_t i = 0; i < utf8.size();) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        const size_t length = lead < 0xC0 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        const std::string_view character = utf8.substr(i, length);
        const std::string form = escape(lead);
        const std::string_view shown = form.empty() ? character : std::string_view(form);
        if (maxBytes != Whole && out.size() + shown.size() > maxBytes) break;
        out += shown;
        i += length;
    }
    return out;
}

// A JSON string of UTF-8 text.
std::string JsonString(std::string_view text, size_t maxBytes = Whole) {
    return "\"" + Escaped(text, maxBytes, [](unsigned char b) -> std::string {
               switch (b) {
               case '"': return "\\\"";
               case '\\': return "\\\\";
               case '\n': return "\\n";
               case '\r': return "\\r";
               case '\t': return "\\t";
               default:
                   if (b >= 0x20) return {};
                   char esc[8];
                   std::snprintf(esc, sizeof esc, "\\u%04x", b);
                   return esc;
               }
           }) + "\"";
}

// A value of a line-based output: it must not end its line, nor start a
// line that would pass for another field. --caption escapes the backslash
// too, so that a caption can be read back exactly; the text output keeps it,
// as Windows paths are full of it.
std::string LineText(std::string_view text, size_t maxBytes = Whole, bool escapeBackslash = false) {
    return Escaped(text, maxBytes, [escapeBackslash](unsigned char b) -> std::string {
        switch (b) {
        case '\\': return escapeBackslash ? "\\\\" : "";
        case '\r': return "\\r";
        case '\n': return "\\n";
        case '\0': return "\\0";
        default: return {};
        }
    });
}

std::string Number(double v) {
    char text[64];
    const auto r = std::to_chars(text, text + sizeof text, v);
    return std::string(text, r.ptr);
}

std::string JsonNumber(double v) { return std::isfinite(v) ? Number(v) : "null"; }

struct TLine {
    std::string Name, Value;
    size_t Limit = Whole;   // of the value's shown form
};

// A list as the walker writes it: each line starts with CR LF.
std::vector<TLine> SplitList(const std::string& list) {
    std::vector<TLine> lines;
    size_t at = 0;
    while (at < list.size()) {
        size_t next = list.find("\r\n", at);
        if (next == at) {
            at += 2;
            continue;
        }
        if (next == std::string::npos) next = list.size();
        const std::string_view line = std::string_view(list).substr(at, next - at);
        const size_t eq = line.find(" = ");
        if (eq == std::string::npos)
            lines.push_back({Shown(line), "", PrintableLength});
        else
            lines.push_back({Shown(line.substr(0, eq)), Shown(line.substr(eq + 3)), PrintableLength});
        at = next;
    }
    return lines;
}

std::vector<TLine> SplitIptc(const std::vector<std::string>& iptc, bool declaredUtf8) {
    std::vector<TLine> lines;
    for (const std::string_view line : iptc) {
        const size_t eq = line.find(" = ");
        lines.push_back({std::string(line.substr(0, eq)),
                         eq == std::string::npos ? "" : Shown(line.substr(eq + 3), declaredUtf8)});
    }
    return lines;
}

// Everything a report shows, as UTF-8.
struct TReport {
    std::vector<TLine> Tags, MakerNoteTags, Iptc;
    std::string Caption;
};

TReport Collect(const TReaderState& s) {
    TReport r;
    r.Tags = SplitList(s.ImageInfo.TagList);
    r.MakerNoteTags = SplitList(s.ImageInfo.MakerNoteList);
    if (s.IptcSection > 0 && s.IptcSection <= MaxSections) {
        const std::string& data = s.Sections[s.IptcSection].Data;
        const bool declaredUtf8 = IptcDeclaresUtf8(data);
        const std::vector<std::string> iptc = ListIptcDatasets(data);
        r.Caption = Shown(CaptionFromIptcLines(iptc), declaredUtf8);
        r.Iptc = SplitIptc(iptc, declaredUtf8);
    }
    return r;
}

std::string MarkerHex(int32_t marker) {
    char text[16];
    std::snprintf(text, sizeof text, "%02X", static_cast<unsigned>(marker) & 0xFFu);
    return text;
}

// A text field of the record, and how much of its shown form is shown.
struct TTextField {
    std::string_view Bytes;
    size_t Limit = Whole;
};

// The record's fields in the order both outputs list them, each with its
// own type (text, integer, number, Boolean); FileDate as ISO text.
template <class TVisit>
void ForEachField(const TImageInfo& i, TVisit&& visit) {
    const std::string date = FormatDateTime(i.FileDate);
    visit("FileName", TTextField{i.FileName});
    visit("FileSize", i.FileSize);
    visit("FileDate", TTextField{date});
    visit("Make", TTextField{i.Make});
    visit("Model", TTextField{i.Model});
    visit("DateTime", TTextField{i.DateTime});
    visit("ImageWidth", i.ImageWidth);
    visit("ImageHeight", i.ImageHeight);
    visit("Flash", i.Flash);
    visit("FocalLength", i.FocalLength);
    visit("ExposureTime", i.ExposureTime);
    visit("FNumber", i.FNumber);
    visit("SubjectDistance", i.SubjectDistance);
    visit("SensorWidth", i.SensorWidth);
    visit("Status", TTextField{i.Status});
    visit("HasMakerNote", i.HasMakerNote);
    visit("MakerNoteMake", TTextField{i.MakerNoteMake});
    // The comment may name any stretch of the Exif block, as a tag line's
    // value may; it is shown as far as its tag line shows it.
    visit("UserComment", TTextField{i.UserComment, PrintableLength});
}

void PrintText(const TReaderState& s) {
    const TImageInfo& i = s.ImageInfo;
    const TReport r = Collect(s);
    std::string o;
    auto field = [&](const char* name, const std::string& value, size_t limit = Whole) {
        o += std::string(name) + ": " + LineText(value, limit) + "\n";
    };
    ForEachField(i, [&](const char* name, const auto& value) {
        using T = std::decay_t<decltype(value)>;
        if constexpr (std::is_same_v<T, TTextField>)
            field(name, Shown(value.Bytes), value.Limit);
        else if constexpr (std::is_same_v<T, double>)
            field(name, Number(value));
        else if constexpr (std::is_same_v<T, bool>)
            field(name, value ? "true" : "false");
        else
            field(name, std::to_string(value));
    });
    o += "Sections:\n";
    for (int32_t n = 1; n <= s.SectionCount && n <= MaxSections; ++n)
        o += "  " + std::to_string(n) + " " + MarkerHex(s.Sections[n].Marker) + " " +
             std::to_string(s.Sections[n].Size) + "\n";
    const auto lines = [&](const char* title, const std::vector<TLine>& list) {
        o += std::string(title) + ":\n";
        for (const auto& l : list) o += "  " + LineText(l.Name) + " = " + LineText(l.Value, l.Limit) + "\n";
    };
    lines("TagList", r.Tags);
    lines("MakerNoteList", r.MakerNoteTags);
    lines("Iptc", r.Iptc);
    field("Caption", r.Caption);
    Out(o);
}

void PrintJson(const TReaderState& s, const char* indent) {
    const TImageInfo& i = s.ImageInfo;
    const TReport r = Collect(s);
    const std::string in = indent;
    std::string o = in + "{\n";
    bool first = true;
    auto raw = [&](const char* name, const std::string& json) {
        if (!first) o += ",\n";
        first = false;
        o += in + "  \"" + name + "\": " + json;
    };
    auto text = [&](const char* name, const std::string& v) { raw(name, JsonString(v)); };
    ForEachField(i, [&](const char* name, const auto& value) {
        using T = std::decay_t<decltype(value)>;
        if constexpr (std::is_same_v<T, TTextField>)
            raw(name, JsonString(Shown(value.Bytes), value.Limit));
        else if constexpr (std::is_same_v<T, double>)
            raw(name, JsonNumber(value));
        else if constexpr (std::is_same_v<T, bool>)
            raw(name, value ? "true" : "false");
        else
            raw(name, std::to_string(value));
    });
    std::string sections = "[";
    for (int32_t n = 1; n <= s.SectionCount && n <= MaxSections; ++n)
        sections += std::string(n > 1 ? ", " : "") + "{\"slot\": " + std::to_string(n) +
                    ", \"marker\": " + std::to_string(s.Sections[n].Marker) +
                    ", \"size\": " + std::to_string(s.Sections[n].Size) + "}";
    raw("Sections", sections + "]");
    const auto list = [&](const std::vector<TLine>& lines) {
        std::string a = "[";
        for (size_t n = 0; n < lines.size(); ++n)
            a += std::string(n ? "," : "") + "\n" + in + "    {\"name\": " + JsonString(lines[n].Name) +
                 ", \"value\": " + JsonString(lines[n].Value, lines[n].Limit) + "}";
        return a + (lines.empty() ? "]" : "\n" + in + "  ]");
    };
    raw("Tags", list(r.Tags));
    raw("MakerNoteTags", list(r.MakerNoteTags));
    raw("Iptc", list(r.Iptc));
    text("Caption", r.Caption);
    Out(o + "\n" + in + "}");
}


// The reader reports no open failure of its own, so the tool looks first; a
// message names the file. Only a regular file is opened: a pipe or a device
// named like an image would block the tool.
bool CanOpen(const TReaderState& s, const std::string& path) {
    const TFileFacts facts = LookUpFile(s, path);
    const char* problem = nullptr;
    if (!facts.Found) {
        problem = "no such file";
    } else if (!facts.IsFile) {
        problem = "not a regular file";
    } else if (std::FILE* f = s.FileOpen ? s.FileOpen(path) : std::fopen(path.c_str(), "rb")) {
        std::fclose(f);
    } else {
        problem = "cannot be opened";
    }
    if (problem) std::fprintf(stderr, "ovsinfo: %s: %s\n", path.c_str(), problem);
    return problem == nullptr;
}

int Run(const std::vector<std::string>& args) {
    TOutput mode = TOutput::Text;
    bool modeSet = false;
    std::vector<std::string> files;
    bool options = true;
    for (size_t n = 1; n < args.size(); ++n) {
        const std::string& arg = args[n];
        if (options && arg == "--") {
            options = false;
        } else if (options && (arg == "--help" || arg == "-h")) {
            Usage(stdout);
            return 0;
        } else if (options && (arg == "--json" || arg == "--caption")) {
            const TOutput wanted = arg == "--json" ? TOutput::Json : TOutput::Caption;
            if (modeSet && mode != wanted) {
                std::fputs("ovsinfo: --json and --caption exclude each other\n", stderr);
                return 2;
            }
            mode = wanted;
            modeSet = true;
        } else if (options && arg.size() > 1 && arg[0] == '-') {
            std::fprintf(stderr, "ovsinfo: unknown option %s\n", arg.c_str());
            Usage(stderr);
            return 2;
        } else {
            files.push_back(arg);
        }
    }
    if (files.empty()) {
        Usage(stderr);
        return 2;
    }

    auto state = std::make_unique<TReaderState>();
#ifdef _WIN32
    InstallWindowsFileAccess(*state, true);
#endif
    int exitCode = 0;
    const bool array = mode == TOutput::Json && files.size() > 1;
    if (array) Out("[\n");
    bool firstObject = true;
    for (size_t n = 0; n < files.size(); ++n) {
        const std::string& path = files[n];
        if (!CanOpen(*state, path)) {
            exitCode = 1;
            continue;
        }
        switch (mode) {
        case TOutput::Caption: {
            const TStoredCaption caption = LookUpImageCaption(*state, path);
            Out(LineText(Shown(caption.Text, caption.DeclaredUtf8), Whole, true) + "\n");
            break;
        }
        case TOutput::Json:
            ReadImageFile(*state, path);
            if (!firstObject) Out(",\n");
            PrintJson(*state, array ? "  " : "");
            break;
        case TOutput::Text:
            ReadImageFile(*state, path);
            if (!firstObject) Out("\n");
            PrintText(*state);
            break;
        }
        firstObject = false;
    }
    if (array) Out("\n]\n");
    else if (mode == TOutput::Json && !firstObject) Out("\n");
    std::fflush(stdout);
    return exitCode;
}

} // namespace
} // namespace ovs

namespace ovs {
namespace {

// The arguments as the reader takes them: on Windows the UTF-8 form of the
// UTF-16 command line (the narrow argv has '?' for what the code page lacks).
std::vector<std::string> Arguments(int argc, char** argv) {
#ifdef _WIN32
    (void)argc;
    (void)argv;
    int count = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!wide) return {};
    const std::unique_ptr<wchar_t*, decltype(&LocalFree)> owner(wide, &LocalFree);
    std::vector<std::string> args;
    for (int n = 0; n < count; ++n) args.push_back(Utf8FromUtf16(wide[n]));
    return args;
#else
    return std::vector<std::string>(argv, argv + argc);
#endif
}

} // namespace
} // namespace ovs

int main(int argc, char** argv) {
#ifdef _WIN32
    // Captions hold CR LF of their own; the C library must not add CRs.
    _setmode(_fileno(stdout), _O_BINARY);
#endif
    try {
        return ovs::Run(ovs::Arguments(argc, argv));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "ovsinfo: %s\n", e.what());
        return 1;
    } catch (...) {
        std::fputs("ovsinfo: unexpected failure\n", stderr);
        return 1;
    }
}
