// Value texts of directory entries.
#include "ValueFormat.h"

#include <charconv>
#include <cstdint>
#include <vector>

#include "ExifReader.h"
#include "PathText.h"
#include "Utf8Text.h"

namespace ovs {

namespace {

constexpr size_t PartRemainderLength = 64;
constexpr std::string_view FloatPlaceholder = "-9999.99";

template <typename Int>
void AppendDecimal(std::string& out, Int value) {
    char buf[24];
    auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value);
    (void)ec;
    out.append(buf, end);
}

template <typename Int>
std::string Decimal(Int value) {
    std::string out;
    AppendDecimal(out, value);
    return out;
}

// One term of a rational as the routines' own texts write it: leading spaces,
// an optional sign, decimal digits and nothing after them.
bool ParseTerm(std::string_view text, int64_t& value) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    if (text.empty()) return false;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size()) return false;
    return value >= INT32_MIN && value <= static_cast<int64_t>(UINT32_MAX);
}

// Parts of a generic text of several rationals: up to the first ", ", then
// the rest from the space after the comma, cut to 64 characters, and so on.
std::vector<double> RationalParts(std::string_view text, int count) {
    std::vector<double> parts;
    std::string_view rest = text;
    for (int i = 0; i < count; ++i) {
        const size_t sep = rest.find(ValueSeparator);
        parts.push_back(RationalToFloat(rest.substr(0, sep)));
        if (sep == std::string_view::npos) {
            rest = {};
        } else {
            rest = rest.substr(sep + 1, PartRemainderLength);
        }
    }
    return parts;
}

} // namespace

std::string FormatFixed(double value, int precision) {
    // Fixed notation of the largest double runs to 309 digits before the point.
    char buf[400];
    auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, precision);
    if (ec != std::errc()) return "?";
    return std::string(buf, end);
}

std::string DecodeValue(std::string_view desc, std::string_view numberText) {
    std::string key = ",";
    key.append(TrimBlanks(numberText));
    key.push_back(':');
    std::string haystack = ",";
    haystack.append(desc);
    haystack.push_back(',');
    const size_t at = haystack.find(key);
    if (at == std::string::npos) return {};
    const size_t start = at + key.size();
    const size_t stop = haystack.find(',', start);
    return haystack.substr(start, stop - start);
}

std::string FormatValue(const TReaderState& s, std::string_view bytes, int format,
                        std::string_view desc, TTextUse use) {
    if (format < 1 || format > 12) return "?";
    const size_t itemSize = static_cast<size_t>(FormatSizes[format]);
    const size_t items = bytes.size() / itemSize;
    size_t maxLength = use == TTextUse::Printable ? PrintableLength : std::string::npos;
    std::string out;
    for (size_t i = 0; i < items && out.size() < maxLength; ++i) {
        if (i == 1 && use == TTextUse::Parts) {
            // No item text holds ", ", so the first separator follows the
            // first item; the routines read the 64 characters after its comma.
            maxLength = out.size() + 1 + PartRemainderLength;
        }
        if (i > 0) out.append(ValueSeparator);
        const std::string_view item = bytes.substr(i * itemSize, itemSize);
        switch (format) {
        case 1: case 3: case 4:
        case 6: case 8: case 9: {
            // BYTE, SHORT and LONG are unsigned; 1- and 2-byte signed items
            // aren't sign-extended, so only SLONG can come out negative.
            const int32_t n = BytesToInt(s, item);
            const std::string number = (format == 9) ? Decimal(n) : Decimal(static_cast<uint32_t>(n));
            if (desc.empty()) {
                out.append(number);
            } else {
                out.append(DecodeValue(desc, number));
                out.append(" (");
                out.append(number);
                out.push_back(')');
            }
            break;
        }
        case 5: case 10: {
            const int32_t num = BytesToInt(s, item.substr(0, 4));
            const int32_t den = BytesToInt(s, item.substr(4, 4));
            if (format == 5) {
                AppendDecimal(out, static_cast<uint32_t>(num));
                out.push_back('/');
                AppendDecimal(out, static_cast<uint32_t>(den));
            } else {
                AppendDecimal(out, num);
                out.push_back('/');
                AppendDecimal(out, den);
            }
            break;
        }
        case 11: case 12:
            out.append(FloatPlaceholder);
            break;
        default:   // ASCII and UNDEFINED are quoted by the walker, not here
            out.push_back('?');
            break;
        }
    }
    return out;
}

std::string QuotedForParts(std::string_view value, size_t firstSeparator) {
    if (firstSeparator == std::string_view::npos || firstSeparator >= value.size()) return "\"\"";
    // The separator and the characters the second part's cut can reach.
    constexpr size_t kept = ValueSeparator.size() + PartRemainderLength;
    std::string text = "\"";
    text.append(value.substr(firstSeparator, kept));
    if (firstSeparator + kept >= value.size()) text.push_back('"');
    return text;
}

std::string PrintableText(std::string_view text, bool utf8) {
    std::string out(text.substr(0, utf8 ? Utf8Cut(text, PrintableLength) : PrintableLength));
    for (char& c : out) {
        if (static_cast<unsigned char>(c) < 0x20) c = '.';
    }
    return out;
}

double RationalToFloat(std::string_view text) {
    const size_t slash = text.find('/');
    if (slash == std::string_view::npos) return 0;
    int64_t num = 0;
    int64_t den = 0;
    if (!ParseTerm(text.substr(0, slash), num) || !ParseTerm(text.substr(slash + 1), den)) return 0;
    if (den == 0) return 0;
    return static_cast<double>(num) / static_cast<double>(den);
}

std::string GpsTimeText(const std::string& valueText) {
    const std::vector<double> p = RationalParts(valueText, 3);
    return FormatFixed(p[0], 0) + ":" + FormatFixed(p[1], 0) + ":" + FormatFixed(p[2], 0);
}

std::string GpsDegreesText(const std::string& valueText) {
    const std::vector<double> p = RationalParts(valueText, 3);
    const double degrees = ((p[2] / 60) + p[1]) / 60 + p[0];
    return FormatFixed(degrees, 4) + " Decimal Degrees";
}

std::string LensInfoText(const std::string& valueText) {
    const std::vector<double> p = RationalParts(valueText, 4);
    return FormatFixed(p[0], 1) + "-" + FormatFixed(p[1], 1) + "(mm)  F" + FormatFixed(p[2], 1) +
           "-F" + FormatFixed(p[3], 1);
}

} // namespace ovs
