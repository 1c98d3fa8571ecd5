// Camera fields and maker-note lines of real files from the corpus.
//
// The expected values were read with ExifTool 12.57 (exiftool -n) and written
// in here; it is never run by the tests. Where this reader deliberately
// differs from it, the comment at the case says how.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "JpegScanner.h"
#include "support/ImageBuilder.h"

namespace ovs {
namespace {

struct TCorpusCase {
    const char* file;
    const char* make;
    const char* model;
    const char* dateTime;
    double exposureTime;
    double fNumber;
    double focalLength;
    int32_t width;
    int32_t height;
    std::vector<std::string> makerNoteLines;   // each must be a line of MakerNoteList
    std::vector<std::string> tagLines;         // each must be a line of TagList
};

bool HasLine(const std::string& list, const std::string& line) {
    const std::string wanted = "\r\n" + line;
    for (size_t at = list.find(wanted); at != std::string::npos; at = list.find(wanted, at + 1)) {
        const size_t end = at + wanted.size();
        if (end == list.size() || list.compare(end, 2, "\r\n") == 0) return true;
    }
    return false;
}

void ExpectClose(double actual, double expected, const char* what) {
    EXPECT_NEAR(actual, expected, std::fabs(expected) * 1e-9) << what;
}

const std::vector<TCorpusCase>& Cases() {
    static const std::vector<TCorpusCase> cases = {
        // Nikon, "Nikon" header of the first kind: table 1 at 8.
        {"nikon-e950.jpg", "NIKON", "E950", "2001:04:06 11:51:40", 0.01298701299, 5.5, 12.8, 1600, 1200,
         {"Quality =  (12)", "ColorMode = Color (1)", "ImageAdjustment = Contrast+ (3)", "ISOSpeed = ISO80 (0)",
          "WhiteBalance = Auto (0)", "Converter = Not used (0)"},
         {}},
        // Nikon, headerless: table 2 at 0. Texts keep their padding.
        {"Nikon_E990.jpg", "NIKON", "E990", "2000:12:30 10:18:16", 0.002906131938, 7, 8.2, 2048, 1536,
         {"ColorMode = \"COLOR\"", "Quality = \"FINE  \"", "WhiteBalance = \"AUTO        \"",
          "FocusMode = \"AF-C  \"", "FlashSetting = \"NORMAL \""},
         {}},
        // GPS degrees have no hemisphere (ExifTool: 43.4674483, 11.8851267).
        {"DSCN0010.jpg", "NIKON", "COOLPIX P6000", "2008:10:22 16:28:39", 0.01333333333, 5.9, 24, 640, 480, {},
         {"GPSLatitudeRef = \"N\"", "GPSLatitude = 43.4674 Decimal Degrees",
          "GPSLongitude = 11.8851 Decimal Degrees"}},
        {"olympus-c960.jpg", "OLYMPUS OPTICAL CO.,LTD", "C960Z,D460Z", "2000:11:07 10:41:43", 0.002898550725, 8,
         5.6, 1280, 960, {"JpegQual = HQ (2)", "Macro = Normal (0)"}, {}},
        // Big-endian Casio, headerless; ObjectDistance in mm (ExifTool: 0.179 m).
        {"Casio_QV-3000EX.jpg", "CASIO", "QV-3000EX", "2001:03:14 08:46:51", 0.01666000267, 4, 10.4, 2048, 1536,
         {"RecordingMode = Single Shutter (1)", "Quality = Fine (3)", "FocusingMode = Macro (2)",
          "FlashMode = On (2)", "FlashIntensity = Normal (13)", "ObjectDistance = 179", "DigitalZoom = Off (65536)",
          "CCDSensitivity = Normal (64)"},
         {}},
        // Exif big-endian, maker note little-endian. No ExposureTime tag:
        // ours comes from ShutterSpeedValue 850/100 (ExifTool shows none).
        {"Fujifilm_FinePix6900ZOOM.jpg", "FUJIFILM", "FinePix6900ZOOM", "2001:02:19 06:40:05", 1 / std::exp2(8.5),
         4, 21.8, 100, 75,
         {"Version = \"0130\"", "Quality = \"FINE   \"", "Sharpness = Normal (3)", "WhiteBalance = Auto (0)",
          "FlashMode = Off (2)", "Macro = Off (0)", "PictureMode = Auto (0)", "BlurWarning = No blur warning (0)"},
         {}},
        // Rational terms of 2^31 and more: unsigned, as ExifTool reads them.
        {"FujiFilm_FinePixS1Pro_4.jpg", "FUJIFILM", "FinePixS2Pro", "2002:09:01 12:03:56", 0.05812237484,
         0.2001953125, 2.400390625, 1200, 800, {},
         {"GPSLatitude = 54.9135 Decimal Degrees", "GPSLongitudeRef = \"W\"", "GPSLongitude = 1.5888 Decimal Degrees",
          "ExposureTime = 167772160/2886533120"}},
        {"Canon_PowerShot_S40.jpg", "Canon", "Canon PowerShot S40", "2003:12:14 12:01:44", 0.002, 4.9, 21.3125, 2272,
         1704, {"ImageNumber = 1171771", "FirmwareVersion = \"Firmware Version 1.10..\""}, {}},
        {"Seiko_Epson_PhotoPC_3000Z.jpg", "SEIKO EPSON CORP.", "PhotoPC 3000Z", "2000:07:12 14:33:42",
         0.009689922481, 2, 7, 2048, 1536,
         {"Special Mode = 256, 208, 0", "JpegQuality = 3", "Macro = 1", "Width = 2048", "Height = 1536",
          "SoftRelease = \"SX321\""},
         {}},
        // The Model keeps its trailing space (ExifTool trims it).
        {"sanyo-vpcg250.jpg", "SANYO Electric Co.,Ltd.", "SR6 ", "1998:01:01 00:00:00", 0.005847953216, 8, 6, 640,
         480, {"Special Mode = 0, 0, 0", "JpegQuality = 2"}, {}},
    };
    return cases;
}

TEST(ExifCorpus, CameraFieldsAndMakerNoteLines) {
    for (const TCorpusCase& c : Cases()) {
        SCOPED_TRACE(c.file);
        TReaderState s;
        ReadImageFile(s, test::CorpusFile(c.file));
        const TImageInfo& info = s.ImageInfo;
        EXPECT_EQ(info.Status, "<none>");
        EXPECT_EQ(info.Make, c.make);
        EXPECT_EQ(info.Model, c.model);
        EXPECT_EQ(info.DateTime, c.dateTime);
        ExpectClose(info.ExposureTime, c.exposureTime, "ExposureTime");
        ExpectClose(info.FNumber, c.fNumber, "FNumber");
        ExpectClose(info.FocalLength, c.focalLength, "FocalLength");
        EXPECT_EQ(info.ImageWidth, c.width);
        EXPECT_EQ(info.ImageHeight, c.height);
        EXPECT_TRUE(info.HasMakerNote);
        EXPECT_EQ(info.MakerNoteMake, c.make);
        for (const std::string& line : c.makerNoteLines) EXPECT_TRUE(HasLine(info.MakerNoteList, line)) << line;
        for (const std::string& line : c.tagLines) EXPECT_TRUE(HasLine(info.TagList, line)) << line;
    }
}

TEST(ExifCorpus, RecordsOfFilesThatOtherReadersAgreeOn) {
    // Texts written without their terminating zero; a flash record followed
    // by an XMP packet in a second APP1; an APP1 that holds no Exif block.
    struct TCase {
        const char* file;
        const char* make;
        const char* model;
        const char* dateTime;
        int32_t flash;
        const char* makerNoteLine;   // "" for none
    } cases[] = {
        {"Kodak_ProBack.jpg", "Kodak", "ProBack", "2004:03:13 12:33:04", 0, ""},
        {"olympus-c960.jpg", "OLYMPUS OPTICAL CO.,LTD", "C960Z,D460Z", "2000:11:07 10:41:43", 0,
         "SoftwareRelease = \"SR874\""},
        {"canon_hdr_NO.jpg", "Canon", "Canon PowerShot SX60 HS", "2015:02:09 22:47:44", 16, ""},
        {"Casio_QV-7000SX.jpg", "", "", "", -1, ""},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.file);
        TReaderState s;
        ReadImageFile(s, test::CorpusFile(c.file));
        EXPECT_EQ(s.ImageInfo.Make, c.make);
        EXPECT_EQ(s.ImageInfo.Model, c.model);
        EXPECT_EQ(s.ImageInfo.DateTime, c.dateTime);
        EXPECT_EQ(s.ImageInfo.Flash, c.flash);
        if (*c.makerNoteLine) {
            EXPECT_TRUE(HasLine(s.ImageInfo.MakerNoteList, c.makerNoteLine));
        }
    }
}

TEST(ExifCorpus, FirstDirectoryIsReadWhereTheHeaderPutsIt) {
    // The corpus notes give the make and the GPS position of both.
    struct TCase {
        const char* file;
        const char* make;
        const char* tagLine;
    } cases[] = {
        {"87_OSError.jpg", "NIKON CORPORATION", "GPSLongitude = 11.2346 Decimal Degrees"},   // IFD0 at 29448
        // IFD0 near the end of the file; its Exif and GPS directories lie
        // before it, outside the window.
        {"Issue_151.tif", "Parrot", "Model = \"Chlorophyll\""},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.file);
        TReaderState s;
        ReadImageFile(s, test::CorpusFile(c.file));
        EXPECT_EQ(s.ImageInfo.Make, c.make);
        EXPECT_TRUE(HasLine(s.ImageInfo.TagList, c.tagLine));
    }
}

TEST(ExifCorpus, FujifilmMakerNoteLeavesTheFilesByteOrder) {
    TReaderState s;
    ReadImageFile(s, test::CorpusFile("Fujifilm_FinePix6900ZOOM.jpg"));
    EXPECT_TRUE(s.BigEndianData);
}

TEST(ExifCorpus, DirectoryLoopsAreListedOnce) {
    struct TCase {
        const char* file;
        const char* line;   // a line of a directory that a pointer leads back to
    };
    // Kodak: the interoperability pointer leads back to IFD0. 45-gps_ifd: the
    // GPS pointer (count 0) holds the Exif directory's offset.
    for (const TCase& c : {TCase{"Kodak_ProBack.jpg", "Make = \"Kodak\""},
                           TCase{"45-gps_ifd.jpg", "ExifVersion = \"0230\""}}) {
        TReaderState s;
        ReadImageFile(s, test::CorpusFile(c.file));
        EXPECT_EQ(s.ImageInfo.Status, "<none>") << c.file;
        const std::string& list = s.ImageInfo.TagList;
        const std::string wanted = std::string("\r\n") + c.line + "\r\n";
        const size_t first = list.find(wanted);
        EXPECT_NE(first, std::string::npos) << c.file;
        EXPECT_EQ(list.find(wanted, first + 1), std::string::npos) << c.file;
    }
}

} // namespace
} // namespace ovs
