// The Exif directory walker.
//
// Every position is 1-based in ExifBuffer. All the numbers a directory
// supplies (counts, offsets, component counts) come from the file, so the
// arithmetic on them is done in 64 bits and checked against the buffer
// before anything is read.
#include "ExifReader.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "PathText.h"
#include "Utf8Text.h"
#include "ValueFormat.h"

namespace ovs {

namespace {

constexpr size_t MakeLength = 32;
constexpr size_t ModelLength = 40;
constexpr size_t DateTimeLength = 20;
constexpr int32_t ExifFirstDirectory = 17;   // behind length, signature and TIFF header
constexpr int EntrySize = 12;

bool Fits(const TReaderState& s, int64_t pos, int64_t bytes) {
    return pos >= 1 && pos + bytes - 1 <= static_cast<int64_t>(s.ExifBuffer.size());
}

// count bytes from pos, clipped to text: a start before 1 counts as 1, a start
// past the end or a count of 0 or less gives nothing. A count that can't be a
// 32-bit size (a product that overflowed) gives nothing either.
std::string_view CopyClipped(std::string_view text, int64_t pos, int64_t count) {
    if (count <= 0 || count > INT32_MAX) return {};
    if (pos < 1) pos = 1;
    const int64_t size = static_cast<int64_t>(text.size());
    if (pos > size) return {};
    const int64_t n = std::min(count, size - pos + 1);
    return text.substr(static_cast<size_t>(pos - 1), static_cast<size_t>(n));
}

std::string Quoted(std::string_view text, size_t maxLength) {
    std::string out = "\"";
    out.append(text.substr(0, maxLength));
    out.push_back('"');
    return out;
}

// Nearest integer, halves to the even neighbour, kept to its low 32 bits as a
// 32-bit field takes it. The values come from ValueToNumber, so they are
// finite and well inside 64 bits.
int32_t RoundToInt32(double v) {
    if (!std::isfinite(v) || std::fabs(v) > 9.0e15) return 0;
    double r = std::floor(v);
    const double frac = v - r;
    if (frac > 0.5 || (frac == 0.5 && std::fmod(r, 2.0) != 0)) r += 1;
    return static_cast<int32_t>(static_cast<uint32_t>(static_cast<int64_t>(r)));
}

int32_t ClampToInt32(int64_t v) {
    // Keeps the later "+ 16" of a TIFF maker note and the "- 8" of some
    // layouts inside 32 bits; a position this far out reads nothing anyway.
    constexpr int64_t limit = INT32_MAX / 2;
    return static_cast<int32_t>(std::clamp(v, -limit, limit));
}

void AppendHex4(std::string& out, uint16_t tag) {
    static constexpr char digits[] = "0123456789ABCDEF";
    for (int shift = 12; shift >= 0; shift -= 4) out.push_back(digits[(tag >> shift) & 0xF]);
}

void AppendListLine(const TReaderState& s, std::string& list, uint16_t tag, std::string_view name,
                    std::string_view value, int64_t byteCount) {
    list.append("\r\n");
    if (s.ShowTagNumbers > 0) {
        list.append("tag[$");
        AppendHex4(list, tag);
        list.append("]: ");
    }
    list.append(name);
    list.append(" = ");
    list.append(value);
    if (s.ShowTagNumbers > 0) {
        list.append(" (size: ");
        char buf[24];
        auto [end, ec] = std::to_chars(buf, buf + sizeof buf, byteCount);
        (void)ec;
        list.append(buf, end);
        list.push_back(')');
    }
}

// One directory entry as both walkers read it.
struct TEntry {
    uint16_t Tag = 0;
    int Format = 0;
    int64_t ByteCount = 0;
    int64_t ValuePos = 0;
    std::string_view Raw;   // inside ExifBuffer, which no walk step replaces
};

TEntry ReadEntry(const TReaderState& s, int64_t entryPos, int64_t base) {
    TEntry e;
    const auto pos = static_cast<int32_t>(entryPos);
    e.Tag = GetUInt16(s, pos);
    e.Format = GetUInt16(s, pos + 2);
    const int32_t components = GetInt32(s, pos + 4);
    e.ByteCount = static_cast<int64_t>(components) * FormatSize(e.Format);
    e.ValuePos = e.ByteCount > 4 ? static_cast<int64_t>(GetInt32(s, pos + 8)) + base : entryPos + 8;
    e.Raw = CopyClipped(s.ExifBuffer, e.ValuePos, e.ByteCount);
    return e;
}

bool HasCode(const TReaderState& s, const TTagTable* rows, int row) {
    return row > 0 && rows[row].Code != nullptr && s.DecodeValues;
}

// The bytes an ASCII value shows: all but its terminating zero. Some writers
// leave the zero out, and then the last byte is a real character; a value
// cut off by the end of the buffer has no terminator to drop either.
std::string_view AsciiValue(const TEntry& e) {
    std::string_view value = e.Raw;
    if (!value.empty() && static_cast<int64_t>(value.size()) == e.ByteCount && value.back() == '\0')
        value.remove_suffix(1);
    return value;
}

// Where the first ", " of value (a stretch of ExifBuffer) starts, or npos.
// Entries of a crafted block may each name the whole block, so the answer
// comes from an index of the buffer built once, not from a search per entry.
size_t FirstSeparator(TReaderState& s, std::string_view value) {
    if (value.empty()) return std::string_view::npos;
    const std::string& buffer = s.ExifBuffer;
    const size_t n = buffer.size();
    std::vector<int32_t>& next = s.NextSeparator;
    if (next.size() != n + 1) {
        next.assign(n + 1, static_cast<int32_t>(n));
        for (size_t i = n; i-- > 0;) {
            const bool here = buffer[i] == ValueSeparator[0] && i + 1 < n && buffer[i + 1] == ValueSeparator[1];
            next[i] = here ? static_cast<int32_t>(i) : next[i + 1];
        }
    }
    const auto start = static_cast<size_t>(value.data() - buffer.data());
    const auto at = static_cast<size_t>(next[start]);
    return at + 1 < start + value.size() ? at - start : std::string_view::npos;
}

// Whether a text of ExifBuffer is UTF-8 as a whole. Every cut of a value is
// judged on the uncut value: its part alone may not show what it is.
bool IsUtf8Value(TReaderState& s, std::string_view value) {
    const std::string_view buffer = s.ExifBuffer;
    if (value.empty()) return true;
    if (value.data() < buffer.data() || value.data() + value.size() > buffer.data() + buffer.size())
        return IsUtf8Text(value);
    if (!s.ExifBufferUtf8.IsBuiltFor(buffer)) s.ExifBufferUtf8.Build(buffer);
    return s.ExifBufferUtf8.IsUtf8(buffer, static_cast<size_t>(value.data() - buffer.data()), value.size());
}

// At most maxBytes of a value; a UTF-8 value loses no part of a character.
std::string CutValue(TReaderState& s, std::string_view value, size_t maxBytes) {
    if (value.size() <= maxBytes) return std::string(value);
    return std::string(value.substr(0, IsUtf8Value(s, value) ? Utf8Cut(value, maxBytes) : maxBytes));
}

// The text shown for an entry: the generic value text, then the row's
// rendering routine or the 50-byte cut. The generic text is made no longer
// than the routine or the cut reads of it.
std::string ShownText(TReaderState& s, const TEntry& e, const TTagTable* rows, int row,
                      std::string_view desc) {
    if (HasCode(s, rows, row)) {
        std::string text;
        if (e.Format == 2 || e.Format == 7) {
            const std::string_view value = e.Format == 2 ? AsciiValue(e) : e.Raw;
            text = QuotedForParts(value, FirstSeparator(s, value));
        } else {
            text = FormatValue(s, e.Raw, e.Format, desc, TTextUse::Parts);
        }
        return rows[row].Code(text);
    }
    if (e.Format == 2 || e.Format == 7) {
        const std::string_view value = e.Format == 2 ? AsciiValue(e) : e.Raw;
        // The opening quote takes one byte of the line.
        const bool cut = value.size() > PrintableLength - 1;
        return PrintableText(Quoted(value, PrintableLength), cut && IsUtf8Value(s, value));
    }
    return PrintableText(FormatValue(s, e.Raw, e.Format, desc, TTextUse::Printable));
}

void NotePending(const TReaderState& s, TReaderState::TPendingText& pending, std::string_view view) {
    pending.Set = true;
    pending.Pos = view.empty() ? 0 : static_cast<size_t>(view.data() - s.ExifBuffer.data());
    pending.Length = view.size();
}

// The text fields the walk of ExifBuffer noted, copied into the record.
void TakePendingTexts(TReaderState& s) {
    TImageInfo& info = s.ImageInfo;
    const std::string_view buffer = s.ExifBuffer;
    auto take = [&](TReaderState::TPendingText& p) {
        const std::string_view view = buffer.substr(std::min(p.Pos, buffer.size()), p.Length);
        p = {};
        return view;
    };
    if (s.PendingDateTime.Set)
        info.DateTime = CutValue(s, TrimBlanks(take(s.PendingDateTime)), DateTimeLength);
    if (s.PendingMakerNote.Set) info.MakerNote = std::string(take(s.PendingMakerNote));
    if (s.PendingUserComment.Set) info.UserComment = std::string(TrimBlanks(take(s.PendingUserComment)));
}

double FocalPlaneUnitFor(int32_t unit, double current) {
    switch (unit) {
    case 1: return 25.4;
    case 2: return 100.0;   // the figure this reader has always given for unit 2
    case 3: return 10.0;
    case 4: return 1.0;
    case 5: return 0.001;
    default: return current;
    }
}

bool AlreadyWalked(const TReaderState& s, int32_t dirPos) {
    for (int32_t i = 0; i < s.WalkedDirectoryCount; ++i) {
        if (s.WalkedDirectories[static_cast<size_t>(i)] == dirPos) return true;
    }
    return false;
}

class TDepthGuard {
public:
    explicit TDepthGuard(TReaderState& s) : s_(s) { ++s_.WalkDepth; }
    ~TDepthGuard() { --s_.WalkDepth; }
    TDepthGuard(const TDepthGuard&) = delete;
    TDepthGuard& operator=(const TDepthGuard&) = delete;
private:
    TReaderState& s_;
};

// A sub-directory at the offset its pointer entry holds. Whatever goes wrong
// in there ends that sub-directory only; the parent goes on.
void WalkSubDirectory(TReaderState& s, const TEntry& e, int32_t base, int32_t length,
                      const TTagTable* dictionary, int dictionarySize) {
    try {
        const int64_t pos = static_cast<int64_t>(GetInt32(s, ClampToInt32(e.ValuePos))) + base;
        if (!Fits(s, pos, 2)) return;
        WalkDirectory(s, static_cast<int32_t>(pos), base, length, dictionary, dictionarySize);
    } catch (...) {
    }
}

void ApplyEntry(TReaderState& s, const TEntry& e, int64_t entryPos, int32_t base, int32_t length) {
    TImageInfo& info = s.ImageInfo;
    auto v = [&] { return ValueToNumber(s, e.Raw, e.Format); };
    switch (e.Tag) {
    case 0x010F: info.Make = CutValue(s, AsciiValue(e), MakeLength); break;
    case 0x0110: info.Model = CutValue(s, AsciiValue(e), ModelLength); break;
    case 0x0132:
    case 0x9003: NotePending(s, s.PendingDateTime, AsciiValue(e)); break;
    case 0x829A: info.ExposureTime = v(); break;
    case 0x829D: info.FNumber = v(); break;
    case 0x8769:
    case 0xA005: WalkSubDirectory(s, e, base, length, ExifTagTable, ExifTagTableSize); break;
    case 0x8825: WalkSubDirectory(s, e, base, length, GpsTagTable, GpsTagTableSize); break;
    case 0x9201:
        if (info.ExposureTime == -1.0) info.ExposureTime = 1 / std::exp2(v());
        break;
    case 0x9202:
    case 0x9205:
        if (info.FNumber == -1.0) info.FNumber = std::exp2(v() / 2);
        break;
    case 0x9206: info.SubjectDistance = v(); break;
    case 0x9209: info.Flash = RoundToInt32(v()); break;
    case 0x920A: info.FocalLength = v(); break;
    case 0x927C:
        NotePending(s, s.PendingMakerNote, e.Raw);
        s.MakerNotePos = ClampToInt32(e.ValuePos);
        break;
    case 0x9286: NotePending(s, s.PendingUserComment, AsciiValue(e)); break;
    case 0xA002:
        info.WidthValuePos = static_cast<int32_t>(entryPos + 8);
        info.ImageWidth = RoundToInt32(v());
        break;
    case 0xA003:
        info.HeightValuePos = static_cast<int32_t>(entryPos + 8);
        info.ImageHeight = RoundToInt32(v());
        break;
    case 0xA20E: s.FocalPlaneResolution = v(); break;
    case 0xA210: s.FocalPlaneUnitMm = FocalPlaneUnitFor(RoundToInt32(v()), s.FocalPlaneUnitMm); break;
    default: break;
    }
}

void GrantEntries(TReaderState& s, size_t bufferBytes) {
    if (s.EntryBudget < 0) s.EntryBudget = 0;
    s.EntryBudget += static_cast<int64_t>(bufferBytes / EntrySize);
}

// Takes one entry from the read's budget; false when none is left.
bool TakeEntry(TReaderState& s) {
    if (s.EntryBudget <= 0) return false;
    --s.EntryBudget;
    return true;
}

void WalkOneDirectory(TReaderState& s, int32_t dirPos, int32_t base, int32_t length,
                      const TTagTable* dictionary, int dictionarySize) {
    // A directory seen before in this buffer (a pointer back to an ancestor,
    // or two pointers at one directory) is listed once; past the nesting cap
    // or the capacity of the set, nothing more is walked.
    if (s.WalkDepth > MaxWalkDepth || AlreadyWalked(s, dirPos) ||
        s.WalkedDirectoryCount >= static_cast<int32_t>(s.WalkedDirectories.size())) {
        return;
    }
    s.WalkedDirectories[static_cast<size_t>(s.WalkedDirectoryCount++)] = dirPos;
    TDepthGuard depth(s);

    const int64_t count = GetUInt16(s, dirPos);
    if (static_cast<int64_t>(dirPos) + 2 + EntrySize * count > static_cast<int64_t>(base) + length) {
        s.ImageInfo.Status = "Illegally sized directory";
    }
    for (int64_t i = 0; i < count; ++i) {
        const int64_t entryPos = static_cast<int64_t>(dirPos) + 2 + EntrySize * i;
        if (!Fits(s, entryPos, EntrySize)) break;   // the rest of the directory isn't there
        if (!TakeEntry(s)) break;
        const TEntry e = ReadEntry(s, entryPos, base);
        const int row = FindLastTagRow(e.Tag, dictionary, dictionarySize);
        const std::string_view desc = (s.DecodeValues && row >= 0) ? dictionary[row].Desc : "";
        const std::string text = ShownText(s, e, dictionary, row, desc);
        AppendListLine(s, s.ImageInfo.TagList, e.Tag, row >= 0 ? dictionary[row].Name : "Unknown", text,
                       e.ByteCount);
        ApplyEntry(s, e, entryPos, base, length);
    }
}

// Where the first directory of ExifBuffer is walked: at the offset the TIFF
// header holds at offsetPos (a position: offset + base) when its entry count
// lies inside the buffer. Writers may put it anywhere, most often after the
// image data; one below 8 would point into the header itself (0 means none).
// Otherwise at fallback, right behind the header.
int32_t FirstDirectoryPos(const TReaderState& s, int32_t offsetPos, int32_t base, int32_t fallback) {
    if (!Fits(s, offsetPos, 4)) return fallback;
    const auto offset = static_cast<uint32_t>(GetInt32(s, offsetPos));
    // Below 8 the offset points into the header itself (0 is no directory).
    if (offset < TiffHeaderSize) return fallback;
    const int64_t pos = static_cast<int64_t>(offset) + base;
    return Fits(s, pos, 2) ? static_cast<int32_t>(pos) : fallback;
}

} // namespace

uint16_t GetUInt16(const TReaderState& s, int32_t pos) {
    if (!Fits(s, pos, 2)) throw EExifFormatError("read outside the Exif data");
    const auto* p = reinterpret_cast<const unsigned char*>(s.ExifBuffer.data()) + (pos - 1);
    return s.BigEndianData ? static_cast<uint16_t>((p[0] << 8) | p[1])
                           : static_cast<uint16_t>((p[1] << 8) | p[0]);
}

int32_t GetInt32(const TReaderState& s, int32_t pos) {
    if (!Fits(s, pos, 4)) throw EExifFormatError("read outside the Exif data");
    return BytesToInt(s, std::string_view(s.ExifBuffer).substr(static_cast<size_t>(pos - 1), 4));
}

int32_t BytesToInt(const TReaderState& s, std::string_view bytes) {
    uint32_t value = 0;
    const size_t n = bytes.size();
    for (size_t i = 0; i < n; ++i) {
        const auto b = static_cast<unsigned char>(s.BigEndianData ? bytes[i] : bytes[n - 1 - i]);
        value = (value << 8) | b;
    }
    return static_cast<int32_t>(value);
}

double ValueToNumber(const TReaderState& s, std::string_view raw, int format) {
    switch (format) {
    case 1: case 3: case 4:
        return static_cast<double>(static_cast<uint32_t>(BytesToInt(s, raw)));
    case 6: case 8: case 9:
        return static_cast<double>(BytesToInt(s, raw));
    case 5: case 10: {
        const std::string_view numBytes = raw.substr(0, 4);
        const std::string_view denBytes = raw.size() > 4 ? raw.substr(4, 4) : std::string_view();
        const int32_t num = BytesToInt(s, numBytes);
        const int32_t den = BytesToInt(s, denBytes);
        // A zero denominator has no quotient; 0 keeps the camera fields finite.
        if (den == 0) return 0;
        if (format == 5) {
            return static_cast<double>(static_cast<uint32_t>(num)) / static_cast<uint32_t>(den);
        }
        return static_cast<double>(num) / den;
    }
    default:
        // Text formats carry no number, and FLOAT/DOUBLE are never interpreted
        // (their list text is a placeholder too), so all of them count as 0.
        return 0;
    }
}

void ParseExifBlock(TReaderState& s) {
    s.FocalPlaneResolution = 0;
    s.FocalPlaneUnitMm = 0;
    s.ImageInfo.Status = "<none>";
    s.WalkedDirectoryCount = 0;
    s.WalkDepth = 0;
    if (s.ExifSection < 1 || s.ExifSection > MaxSections) return;
    const tSection& section = s.Sections[static_cast<size_t>(s.ExifSection)];
    const std::string& data = section.Data;
    if (data.size() < 7 || std::string_view(data).substr(2, ExifSignature.size()) != ExifSignature) {
        s.ImageInfo.Status = "Incorrect Exif header";
        return;
    }
    const std::string_view order = data.size() >= 10 ? std::string_view(data).substr(8, 2) : std::string_view();
    if (order == "II") {
        s.BigEndianData = false;
    } else if (order == "MM") {
        s.BigEndianData = true;
    } else {
        s.ImageInfo.Status = "Invalid Exif alignment marker";
        return;
    }
    // Only an Exif block says the photo has a flash record. An APP1 of
    // other content (the XMP packet of an edited photo) must not erase the
    // one an earlier block gave.
    s.ImageInfo.Flash = 0;
    s.ImageInfo.TagList.clear();
    s.ExifBuffer = data;
    const int32_t first = FirstDirectoryPos(s, ExifOffsetBase + 4, ExifOffsetBase, ExifFirstDirectory);
    WalkDirectory(s, first, ExifOffsetBase, section.Size - 6, ExifTagTable, ExifTagTableSize);
    ApplySensorWidth(s);
}

bool ExifBlockEndsScan(std::string_view head, size_t dataSize) {
    if (head.size() < 7 || head.substr(2, ExifSignature.size()) != ExifSignature) return false;
    const std::string_view order = head.size() >= 10 ? head.substr(8, 2) : std::string_view();
    if (order != "II" && order != "MM") return false;
    // Past the header checks, the walk of the first directory raises only
    // when its entry count lies outside the block: every later read of that
    // directory is checked and ends the directory instead, and errors of the
    // sub-directories stay inside them. A directory the header puts elsewhere
    // is taken only where its count fits, so only the one behind the header
    // can miss.
    return static_cast<int64_t>(dataSize) < ExifFirstDirectory + 1;
}

void WalkDirectory(TReaderState& s, int32_t dirPos, int32_t base, int32_t length,
                   const TTagTable* dictionary, int dictionarySize) {
    if (s.WalkDepth > 0) {
        WalkOneDirectory(s, dirPos, base, length, dictionary, dictionarySize);
        return;
    }
    // A walk of a newly filled ExifBuffer.
    s.WalkDepth = 0;
    s.WalkedDirectoryCount = 0;
    s.NextSeparator.clear();
    s.ExifBufferUtf8.Clear();
    s.PendingDateTime = s.PendingMakerNote = s.PendingUserComment = {};
    GrantEntries(s, s.ExifBuffer.size());
    try {
        WalkOneDirectory(s, dirPos, base, length, dictionary, dictionarySize);
    } catch (...) {
        // The fields the walk set before the error stay set.
        TakePendingTexts(s);
        throw;
    }
    TakePendingTexts(s);
}

void ApplySensorWidth(TReaderState& s) {
    if (s.FocalPlaneResolution != 0) {
        s.ImageInfo.SensorWidth = s.ImageInfo.ImageWidth * s.FocalPlaneUnitMm / s.FocalPlaneResolution;
    }
}

void WalkMakerNoteDirectory(TReaderState& s, const std::string& makerNote, const TTagTable* table,
                            int tableSize, int32_t dirOffset, int32_t makerNotePos) {
    s.ExifBuffer = makerNote;
    s.NextSeparator.clear();
    s.ExifBufferUtf8.Clear();
    // On its own (no read in progress) the maker note is the only data; in a
    // read it lies inside the Exif data already counted.
    if (s.EntryBudget < 0) GrantEntries(s, makerNote.size());
    const int64_t dirPos = static_cast<int64_t>(dirOffset) + 1;
    const int64_t base = dirPos - makerNotePos + 1;
    // A maker note may be empty or shorter than its header; then there is
    // no directory to list.
    if (!Fits(s, dirPos, 2)) return;
    const int64_t count = GetUInt16(s, static_cast<int32_t>(dirPos));
    for (int64_t i = 0; i < count; ++i) {
        const int64_t entryPos = dirPos + 2 + EntrySize * i;
        if (!Fits(s, entryPos, EntrySize)) break;
        if (!TakeEntry(s)) break;
        const TEntry e = ReadEntry(s, entryPos, base);
        const int row = FindTagRow(e.Tag, table, tableSize);
        const std::string_view name = row >= 0 ? std::string_view(table[row].Name) : "Unknown";
        if (SameTextAscii(name, "SKIP")) continue;
        const int descRow = FindLastTagRow(e.Tag, table, tableSize);
        const std::string_view desc = (s.DecodeValues && descRow >= 0) ? table[descRow].Desc : "";
        const std::string text = ShownText(s, e, table, row, desc);
        AppendListLine(s, s.ImageInfo.MakerNoteList, e.Tag, name, text, e.ByteCount);
    }
}

} // namespace ovs
