#include "Caption.h"

#include <algorithm>

#include "ExifReader.h"
#include "IptcReader.h"
#include "JpegScanner.h"
#include "MarkerScan.h"
#include "PathText.h"

namespace ovs {

namespace {

// The bytes of an Exif section's Data that tell whether its walk would end
// the scan: length, signature and byte order.
constexpr size_t ExifHeadSize = 10;

// The caption needs of the scan only the last indexed APP13 section and the
// one outcome of an Exif block that matters to it: whether its walk raises,
// which ends the scan before a later APP13. Every other payload is skipped.
class TCaptionSections final : public TMarkerVisitor {
public:
    bool HasIptc = false;
    std::string Iptc;   // Data of the last indexed APP13 section

    bool TakePayload(int32_t slot, uint8_t marker, uint8_t hi, uint8_t lo, size_t payload,
                     TBufferedFile& file) override {
        if (marker == 0xED) {
            // Read aside: a section cut off in its payload is not indexed,
            // and the APP13 indexed before it still counts.
            reading_.assign(payload + 2, '\0');
            reading_[0] = static_cast<char>(hi);
            reading_[1] = static_cast<char>(lo);
            return file.Read(reading_.data() + 2, payload) == payload;
        }
        if (marker == 0xE1 && slot <= 2) {
            exifHead_.assign(1, static_cast<char>(hi));
            exifHead_.push_back(static_cast<char>(lo));
            const size_t head = std::min(payload, ExifHeadSize - 2);
            exifHead_.resize(2 + head);
            exifSize_ = payload + 2;
            if (file.Read(exifHead_.data() + 2, head) != head) return false;
            return file.Skip(payload - head) == payload - head;
        }
        return file.Skip(payload) == payload;
    }
    void ExifSection(int32_t) override {
        if (ExifBlockEndsScan(exifHead_, exifSize_)) throw EImageReadError();
    }
    void IptcSection(int32_t) override {
        Iptc.swap(reading_);
        HasIptc = true;
    }
    void CommentSection(int32_t) override {}

private:
    std::string reading_;
    std::string exifHead_;
    size_t exifSize_ = 0;
};

} // namespace

std::string CaptionFromIptcLines(const std::vector<std::string>& lines) {
    std::string caption;
    for (const std::string& line : lines) {
        const size_t p = line.find(" = ");
        if (p == std::string::npos) continue;
        // A value may itself hold " = "; only the first one splits.
        if (line.compare(0, p, "Image caption") == 0) caption = TrimBlanks(std::string_view(line).substr(p + 3));
    }
    return caption;
}

TStoredCaption CaptionOfIptcSection(const std::string& sectionData) {
    return {CaptionFromIptcLines(ListIptcDatasets(sectionData)), IptcDeclaresUtf8(sectionData)};
}

TStoredCaption LookUpImageCaption(TReaderState& s, const std::string& path) {
    try {
        // The full read's conditions: an existing file (never a folder or a
        // device), read as a JPEG only by its extension.
        if (!HasExtension(path, ".jpg", s.PathLeadBytes) || !IsReadableFile(s, path)) return {};
        TBufferedFile& file = s.File;
        const TBufferedFile::TCloser closer(file);
        if (!file.Open(path, s.FileOpen)) return {};
        TCaptionSections sections;
        int32_t sectionCount = 0;
        try {
            ScanMarkerSections(file, sections, sectionCount);
        } catch (...) {
            // The scan ends at the error; an APP13 found before it counts.
        }
        if (!sections.HasIptc) return {};
        return CaptionOfIptcSection(sections.Iptc);
    } catch (...) {
        return {};
    }
}

std::string GetImageCaption(TReaderState& s, const std::string& path) {
    return std::move(LookUpImageCaption(s, path).Text);
}

TStoredCaption LookUpImageCaptionByFullRead(TReaderState& s, const std::string& path) {
    try {
        ReadImageFile(s, path);
        if (s.IptcSection <= 0 || s.IptcSection > MaxSections) return {};
        return CaptionOfIptcSection(s.Sections[s.IptcSection].Data);
    } catch (...) {
        return {};
    }
}

std::string GetImageCaptionByFullRead(TReaderState& s, const std::string& path) {
    return std::move(LookUpImageCaptionByFullRead(s, path).Text);
}

} // namespace ovs
