// The reader on the real camera files of the shared corpus: every file is
// read, the section facts and captions agree with what an independent tool
// reports.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <cstring>
#include <string>

#include "Caption.h"
#include "JpegScanner.h"
#include "support/ImageBuilder.h"

namespace ovs {
namespace {

uint64_t Fnv1a(const std::string& bytes) {
    uint64_t h = 0xcbf29ce484222325ull;
    for (unsigned char b : bytes) h = (h ^ b) * 0x100000001b3ull;
    return h;
}

TEST(Corpus, EveryFileIsReadAndCaptioned) {
    auto s = std::make_unique<TReaderState>();
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(OVS_CORPUS_DIR)) {
        const std::string path = entry.path().string();
        if (entry.path().filename() == "README.md") continue;
        ++files;
        ReadImageFile(*s, path);
        EXPECT_EQ(s->ImageInfo.FileName, path);
        EXPECT_EQ(s->ImageInfo.FileSize, static_cast<int32_t>(entry.file_size())) << path;
        EXPECT_LE(s->SectionCount, MaxSections) << path;
        for (int i = 1; i <= s->SectionCount; ++i)
            EXPECT_EQ(s->Sections[i].Data.size(), static_cast<size_t>(s->Sections[i].Size)) << path << " slot " << i;
        const std::string caption = GetImageCaption(*s, path);
        if (!caption.empty()) {
            EXPECT_GT(static_cast<unsigned char>(caption.front()), 0x20) << path;
            EXPECT_GT(static_cast<unsigned char>(caption.back()), 0x20) << path;
        }
    }
    EXPECT_EQ(files, 45);
}

// Captions as exiftool 12.57 reports them (-b -IPTC:Caption-Abstract; for
// the file without a charset dataset also "-charset iptc=Latin -charset
// Latin", so that its bytes come out as stored), trimmed of bytes <= 0x20 at
// both ends: length, FNV-1a 64 of the bytes, and the first bytes to read.
struct CorpusCaption {
    const char* file;
    size_t length;
    uint64_t fnv;
    const char* start;
};

const CorpusCaption Captions[] = {
    {"Nikon_E995_iptc.jpg", 845, 0x47386eab54ba57c7ull, "Dateiname : DSCN1767.JPG\r\nDateigr\xf6\xdf" "e : 6"},
    {"Issue_600_2.jpg", 1561, 0xa07303509d5b2846ull, "This Hubble picture, taken on 23 July, i"},
    {"canon_hdr_NO.jpg", 0, 0xcbf29ce484222325ull, ""},   // 31 spaces
    {"Nikon_D1X.jpg", 38, 0xe80317390faa48d6ull, "Workshop showing workbench and storage"},
    {"FujiFilm_FinePixS1Pro_4.jpg", 19, 0xfec6c03b9328debull, "The Gateshead Angel"},
    {"Issue_122.jpg", 244, 0x615dd30da4a14aadull, "19 Jan 2002:   Cobi Jones #13 of the USA"},
    {"Canon_EOS_7D.jpg", 16, 0x3c2fa42d081d6c7eull, "mit blauem Kleid"},
    {"BlueSquare.jpg", 87, 0xf76ba3b7f528ca14ull, "XMPFiles BlueSquare test file, created i"},
    {"no_exif.jpg", 17, 0xe3ea6b3c2ca817f4ull, "Der Goalie bin ig"},
    {"Photoshop_3.jpg", 46, 0xc3aba19650dd47dull, "Test description string for metadata-ext"},
    {"87_OSError.jpg", 0, 0xcbf29ce484222325ull, ""},   // IPTC without a caption
    {"Issue_614.jpg", 0, 0xcbf29ce484222325ull, ""},
    {"32-lens_data.jpeg", 0, 0xcbf29ce484222325ull, ""},   // not read: ".jpeg"
};

TEST(Corpus, CaptionsAgreeWithAnIndependentReader) {
    auto s = std::make_unique<TReaderState>();
    for (const auto& c : Captions) {
        const std::string caption = GetImageCaption(*s, test::CorpusFile(c.file));
        EXPECT_EQ(caption.size(), c.length) << c.file;
        EXPECT_EQ(Fnv1a(caption), c.fnv) << c.file;
        EXPECT_EQ(caption.substr(0, std::strlen(c.start)), c.start) << c.file;
    }
}

TEST(Corpus, SectionFactsOfKnownFiles) {
    // Segment order as exiftool -v3 lists it; APP0 takes no slot.
    struct Case {
        const char* file;
        const char* status;
        int exif, comment, iptc;
    } cases[] = {
        {"Issue_122.jpg", "<none>", 2, -1, 1},          // APP13 before APP1
        {"Canon_PowerShot_S330.jpg", "<none>", 1, 2, -1},    // COM "AppleMark"
        {"sanyo-vpcsx550.jpg", "<none>", 1, 2, -1},
        {"olympus-d320l.jpg", "Not an EXIF file", -1, -1, -1},
        {"Casio_QV-7000SX.jpg", "<none>", 1, -1, -1},   // a "QVCI" APP1, not Exif
        {"Arbitro.tiff", "Not an EXIF file", -1, -1, -1},
        {"Issue_16.tif", "<none>", 1, -1, -1},
        {"Sanyo_S1.JPG", "<none>", 1, -1, -1},
    };
    auto s = std::make_unique<TReaderState>();
    for (const auto& c : cases) {
        ReadImageFile(*s, test::CorpusFile(c.file));
        EXPECT_EQ(s->ImageInfo.Status, c.status) << c.file;
        EXPECT_EQ(s->ExifSection, c.exif) << c.file;
        EXPECT_EQ(s->CommentSection, c.comment) << c.file;
        EXPECT_EQ(s->IptcSection, c.iptc) << c.file;
    }
}

} // namespace
} // namespace ovs
