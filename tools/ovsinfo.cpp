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
// the caption item shows captions by (DecodeStoredText). Beyond the reader's
// own fields it shows the descriptions Windows and photo tools write: the
// XP* tags of the first directory and the Dublin Core texts of an XMP packet.
#include <algorithm>
#include <charconv>
#include <climits>
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
#include "ExifReader.h"
#include "JpegScanner.h"
#include "MarkerScan.h"
#include "StoredText.h"
#include "Utf8Text.h"
#include "ValueFormat.h"
#include "XmpReader.h"
#include "XpTags.h"

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
               "In the text output and with --caption each value stays on its line and no\n"
               "value can steer a terminal: a NUL is written \\0, a tab \\t, a line feed \\n,\n"
               "a carriage return \\r, every other control character (U+0000-U+001F, U+007F,\n"
               "U+0080-U+009F) \\xHH, the line and paragraph separators and the bidirectional\n"
               "controls (U+2028, U+2029, U+202A-U+202E, U+2066-U+2069) \\uHHHH; with\n"
               "--caption a backslash is written \\\\. JSON escapes the same characters as\n"
               "\\uHHHH. A value is shown as far as the reader's line holds it (50 bytes of\n"
               "the stored text, never splitting a UTF-8 character); an unknown date is\n"
               "\"unknown\" (null in JSON).\n",
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
    return Utf8FromUtf16Text(DecodeStoredText(bytes, declaredUtf8, AnsiDecoder));
}

// The first bytes of a stored text that the reader's line would hold, decoded
// as the whole text is: a cut must neither split a UTF-8 character nor make
// its part judge otherwise than the whole.
std::string ShownPart(std::string_view bytes, size_t maxBytes) {
    const bool utf8 = IsStoredUtf8(bytes, false);
    return Utf8FromUtf16Text(DecodeStoredTextAs(CutStoredText(bytes, maxBytes, utf8), utf8, AnsiDecoder));
}

// Characters that may not reach a terminal or a line-splitting reader as
// they are: C0, DEL and C1 move the cursor, clear lines or end lines (VT,
// FF, NEL); U+2028 and U+2029 end lines for many readers; the bidirectional
// controls reorder what follows them on screen.
bool IsControl(char32_t c) {
    return c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x2028 || c == 0x2029 || (c >= 0x202A && c <= 0x202E) ||
           (c >= 0x2066 && c <= 0x2069);
}

std::string HexEscape(const char* format, char32_t c) {
    char text[12];
    std::snprintf(text, sizeof text, format, static_cast<unsigned>(c));
    return text;
}

// Strict UTF-8 text (Shown's output) with each character as escape gives it
// (the character's own bytes when it gives nothing). Escaping never cuts:
// how much of a value is shown was decided before.
template <class TEscape>
std::string Escaped(std::string_view utf8, TEscape&& escape) {
    std::string out;
    out.reserve(utf8.size());
    for (size_t i = 0; i < utf8.size();) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        const size_t length = std::min<size_t>(lead < 0xC0 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4, utf8.size() - i);
        char32_t c = length == 1 ? lead : lead & (0x7F >> length);
        for (size_t k = 1; k < length; ++k) c = (c << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
        const std::string form = escape(c);
        if (form.empty()) out.append(utf8.substr(i, length));
        else out += form;
        i += length;
    }
    return out;
}

// A JSON string of UTF-8 text: JSON's own escapes, and \uHHHH for the rest
// of the control characters, so that printing JSON to a terminal is as safe
// as printing the text output.
std::string JsonString(std::string_view text) {
    return "\"" + Escaped(text, [](char32_t c) -> std::string {
               switch (c) {
               case '"': return "\\\"";
               case '\\': return "\\\\";
               case '\n': return "\\n";
               case '\r': return "\\r";
               case '\t': return "\\t";
               default: return IsControl(c) ? HexEscape("\\u%04x", c) : std::string();
               }
           }) + "\"";
}

// A value of a line-based output: it must not end its line, start a line
// that would pass for another field, or steer the terminal. --caption
// escapes the backslash too, so that a caption can be read back exactly; the
// text output keeps it, as Windows paths are full of it.
std::string LineText(std::string_view text, bool escapeBackslash = false) {
    return Escaped(text, [escapeBackslash](char32_t c) -> std::string {
        switch (c) {
        case '\\': return escapeBackslash ? "\\\\" : "";
        case '\0': return "\\0";
        case '\t': return "\\t";
        case '\n': return "\\n";
        case '\r': return "\\r";
        default:
            if (!IsControl(c)) return {};
            return HexEscape(c <= 0xFF ? "\\x%02x" : "\\u%04x", c);
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
};

// A list as the walker writes it: each line starts with CR LF. Each value is
// the reader's whole line; the reader has cut it already.
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
            lines.push_back({Shown(line), ""});
        else
            lines.push_back({Shown(line.substr(0, eq)), Shown(line.substr(eq + 3))});
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

// The first XMP packet of a JPEG. The reader keeps APP1 sections only in
// the first two slots, and a packet often comes later (after an ICC
// profile), so the tool walks the sections once more for it.
class TXmpFinder final : public TMarkerVisitor {
public:
    std::string Packet;

    bool TakePayload(int32_t, uint8_t marker, uint8_t, uint8_t, size_t payload, TBufferedFile& file) override {
        if (marker != 0xE1 || found_) return file.Skip(payload) == payload;
        std::string data(payload, '\0');
        if (file.Read(data.data(), payload) != payload) return false;
        if (std::string_view(data).substr(0, XmpSignature.size()) == XmpSignature) {
            Packet = data.substr(XmpSignature.size());
            found_ = true;
        }
        return true;
    }
    void ExifSection(int32_t) override {}
    void IptcSection(int32_t) override {}
    void CommentSection(int32_t) override {}

private:
    bool found_ = false;
};

std::string XmpPacketOf(const TReaderState& s, const std::string& path) {
    TXmpFinder finder;
    TBufferedFile file;
    const TBufferedFile::TCloser closer(file);
    if (!file.Open(path, s.FileOpen)) return {};
    int32_t sections = 0;
    try {
        ScanMarkerSections(file, finder, sections);
    } catch (const EImageReadError&) {
        // A file cut short after its packet still shows it.
    }
    return finder.Packet;
}

// The XP* tags of a TIFF. Its first directory and their values may lie
// anywhere in the file, so they are read where they are.
std::vector<TNamedText> XpTagsOfTiffFile(const TReaderState& s, const std::string& path) {
    std::FILE* f = s.FileOpen ? s.FileOpen(path) : std::fopen(path.c_str(), "rb");
    if (!f) return {};
    const std::unique_ptr<std::FILE, decltype(&std::fclose)> owner(f, &std::fclose);
    const auto read = [f](std::uint64_t offset, std::size_t count) {
        std::string bytes(count, '\0');
        if (offset > LONG_MAX || std::fseek(f, static_cast<long>(offset), SEEK_SET) != 0) return std::string();
        bytes.resize(std::fread(bytes.data(), 1, count, f));
        return bytes;
    };
    return ReadXpTags(TTiffSource{static_cast<std::uint64_t>(std::max(s.ImageInfo.FileSize, 0)), read});
}

// The XP* tags of a JPEG's Exif block (found by its signature: the reader's
// Exif index may name a later APP1).
std::vector<TNamedText> XpTagsOfExifBlock(const TReaderState& s) {
    for (int32_t n = 1; n <= s.SectionCount && n <= MaxSections; ++n) {
        const std::string_view data = s.Sections[n].Data;
        if (s.Sections[n].Marker == 0xE1 && data.size() > 8 && data.substr(2, ExifSignature.size()) == ExifSignature)
            return ReadXpTags(data.substr(8));
    }
    return {};
}

// The descriptions beyond the reader's tables: the XP* tags of the first
// directory, then the texts of the first XMP packet; of the files the reader
// reads, chosen as it chooses them (by their extension).
std::vector<TLine> Descriptions(const TReaderState& s, const std::string& path) {
    std::vector<TNamedText> found;
    if (HasExtension(path, ".tif", s.PathLeadBytes)) {
        found = XpTagsOfTiffFile(s, path);
    } else if (HasExtension(path, ".jpg", s.PathLeadBytes)) {
        found = XpTagsOfExifBlock(s);
        for (TNamedText& t : ReadXmpDescriptions(XmpPacketOf(s, path))) found.push_back(std::move(t));
    }
    std::vector<TLine> lines;
    for (TNamedText& t : found) lines.push_back({std::move(t.Name), std::move(t.Text)});
    return lines;
}

// Everything a report shows, as UTF-8.
struct TReport {
    std::vector<TLine> Tags, MakerNoteTags, Iptc, Descriptions;
    std::string Caption;
};

TReport Collect(const TReaderState& s, const std::string& path) {
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
    r.Descriptions = Descriptions(s, path);
    return r;
}

// What the lists of one report may take of the output. Each line is shown
// whole, as far as the reader's line holds it, but the thousands of entries
// of a crafted block can all name the same bytes; so the lists stop where
// the report would pass a multiple of the file's size (the caption, always
// shown, counts first) and say how many lines they left out. Real files,
// whose entries each take their own bytes, stay far below it.
class TListBudget {
public:
    TListBudget(const TImageInfo& i, size_t perFileByte, size_t allowance)
        : left_(static_cast<size_t>(std::max(i.FileSize, 0)) * perFileByte + allowance) {}

    // Whether a line of that many bytes is shown; once one isn't, none is.
    bool Take(size_t bytes) {
        if (bytes > left_) {
            left_ = 0;
            ++leftOut_;
            return false;
        }
        left_ -= bytes;
        return true;
    }
    size_t LeftOut() const { return leftOut_; }

private:
    size_t left_;
    size_t leftOut_ = 0;
};

constexpr size_t TextBytesPerFileByte = 6, TextAllowance = 16384;
constexpr size_t JsonBytesPerFileByte = 15, JsonAllowance = 32768;

std::string MarkerHex(int32_t marker) {
    char text[16];
    std::snprintf(text, sizeof text, "%02X", static_cast<unsigned>(marker) & 0xFFu);
    return text;
}

// A text field of the record.
struct TTextField {
    std::string Shown;
};

// A date, or nothing when it is unknown: the reader's 0, or one outside the
// years a date shows.
struct TDateField {
    std::string Iso;
};

// The record's fields in the order both outputs list them, each with its
// own type (text, date, integer, number, Boolean), texts as UTF-8.
template <class TVisit>
void ForEachField(const TImageInfo& i, TVisit&& visit) {
    visit("FileName", TTextField{Shown(i.FileName)});
    visit("FileSize", i.FileSize);
    visit("FileDate", TDateField{i.FileDate == 0 ? std::string() : FormatDateTime(i.FileDate)});
    visit("Make", TTextField{Shown(i.Make)});
    visit("Model", TTextField{Shown(i.Model)});
    visit("DateTime", TTextField{Shown(i.DateTime)});
    visit("ImageWidth", i.ImageWidth);
    visit("ImageHeight", i.ImageHeight);
    visit("Flash", i.Flash);
    visit("FocalLength", i.FocalLength);
    visit("ExposureTime", i.ExposureTime);
    visit("FNumber", i.FNumber);
    visit("SubjectDistance", i.SubjectDistance);
    visit("SensorWidth", i.SensorWidth);
    visit("Status", TTextField{Shown(i.Status)});
    visit("HasMakerNote", i.HasMakerNote);
    visit("MakerNoteMake", TTextField{Shown(i.MakerNoteMake)});
    // The comment may name any stretch of the Exif block, as a tag line's
    // value may; it is shown as far as a line of the reader holds it.
    visit("UserComment", TTextField{ShownPart(i.UserComment, PrintableLength)});
}

void PrintText(const TReaderState& s, const std::string& path) {
    const TImageInfo& i = s.ImageInfo;
    const TReport r = Collect(s, path);
    std::string o;
    auto field = [&](const char* name, const std::string& value) {
        o += std::string(name) + ": " + LineText(value) + "\n";
    };
    ForEachField(i, [&](const char* name, const auto& value) {
        using T = std::decay_t<decltype(value)>;
        if constexpr (std::is_same_v<T, TTextField>)
            field(name, value.Shown);
        else if constexpr (std::is_same_v<T, TDateField>)
            field(name, value.Iso.empty() ? "unknown" : value.Iso);
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
    const std::string caption = "Caption: " + LineText(r.Caption) + "\n";
    TListBudget budget(i, TextBytesPerFileByte, TextAllowance);
    budget.Take(caption.size());
    const auto lines = [&](const char* title, const std::vector<TLine>& list) {
        o += std::string(title) + ":\n";
        const size_t before = budget.LeftOut();
        for (const auto& l : list) {
            const std::string line = "  " + LineText(l.Name) + " = " + LineText(l.Value) + "\n";
            if (budget.Take(line.size())) o += line;
        }
        if (const size_t leftOut = budget.LeftOut() - before)
            o += "  (" + std::to_string(leftOut) + " more lines left out: the output for one file is limited)\n";
    };
    lines("TagList", r.Tags);
    lines("MakerNoteList", r.MakerNoteTags);
    lines("Iptc", r.Iptc);
    lines("Descriptions", r.Descriptions);
    Out(o + caption);
}

void PrintJson(const TReaderState& s, const std::string& path, const char* indent) {
    const TImageInfo& i = s.ImageInfo;
    const TReport r = Collect(s, path);
    const std::string in = indent;
    std::string o = in + "{\n";
    bool first = true;
    auto raw = [&](const char* name, const std::string& json) {
        if (!first) o += ",\n";
        first = false;
        o += in + "  \"" + name + "\": " + json;
    };
    ForEachField(i, [&](const char* name, const auto& value) {
        using T = std::decay_t<decltype(value)>;
        if constexpr (std::is_same_v<T, TTextField>)
            raw(name, JsonString(value.Shown));
        else if constexpr (std::is_same_v<T, TDateField>)
            raw(name, value.Iso.empty() ? "null" : JsonString(value.Iso));
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
    const std::string caption = JsonString(r.Caption);
    TListBudget budget(i, JsonBytesPerFileByte, JsonAllowance);
    budget.Take(caption.size());
    const auto list = [&](const std::vector<TLine>& lines) {
        std::string a = "[";
        bool none = true;
        for (const TLine& l : lines) {
            const std::string item = std::string(none ? "" : ",") + "\n" + in + "    {\"name\": " + JsonString(l.Name) +
                                     ", \"value\": " + JsonString(l.Value) + "}";
            if (!budget.Take(item.size())) continue;
            a += item;
            none = false;
        }
        return a + (none ? "]" : "\n" + in + "  ]");
    };
    raw("Tags", list(r.Tags));
    raw("MakerNoteTags", list(r.MakerNoteTags));
    raw("Iptc", list(r.Iptc));
    raw("Descriptions", list(r.Descriptions));
    // Only where the lists were cut short (see TListBudget).
    if (budget.LeftOut()) raw("LinesLeftOut", std::to_string(budget.LeftOut()));
    raw("Caption", caption);
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
            Out(LineText(Shown(caption.Text, caption.DeclaredUtf8), true) + "\n");
            break;
        }
        case TOutput::Json:
            ReadImageFile(*state, path);
            if (!firstObject) Out(",\n");
            PrintJson(*state, path, array ? "  " : "");
            break;
        case TOutput::Text:
            ReadImageFile(*state, path);
            if (!firstObject) Out("\n");
            PrintText(*state, path);
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
