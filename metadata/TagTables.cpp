// The EXIF and GPS dictionaries and the lookups shared by every walker.
#include "TagTables.h"

#include "ValueFormat.h"

namespace ovs {

// Names and decode texts are shown to users exactly as spelled here, slips
// included; the degree sign is the ANSI byte 0xB0, written as an escape so
// that the source encoding can't change it.
constexpr TTagTable ExifTagTable[ExifTagTableSize] = {
    {0x0001, "InteroperabilityIndex", "", nullptr},
    {0x0002, "InteroperabilityVersion", "", nullptr},
    {0x0100, "ImageWidth", "", nullptr},
    {0x0101, "ImageLength", "", nullptr},
    {0x0102, "BitsPerSample", "", nullptr},
    {0x0103, "Compression", "", nullptr},
    {0x0106, "PhotometricInterpretation", "", nullptr},
    {0x010A, "FillOrder", "", nullptr},
    {0x010D, "DocumentName", "", nullptr},
    {0x010E, "ImageDescription", "", nullptr},
    {0x010F, "Make", "", nullptr},
    {0x0110, "Model", "", nullptr},
    {0x0111, "StripOffsets", "", nullptr},
    {0x0112, "Orientation", "1:Normal,3:Rotated 180\xB0" ",6:CounterClockwise 90\xB0" ",8:Clockwise 90\xB0", nullptr},
    {0x0115, "SamplesPerPixel", "", nullptr},
    {0x0116, "RowsPerStrip", "", nullptr},
    {0x0117, "StripByteCounts", "", nullptr},
    {0x011A, "XResolution", "", nullptr},
    {0x011B, "YResolution", "", nullptr},
    {0x011C, "PlanarConfiguration", "", nullptr},
    {0x0128, "ResolutionUnit", "1:None Specified,2:Inch,3:Centimeter", nullptr},
    {0x012D, "TransferFunction", "", nullptr},
    {0x0131, "Software", "", nullptr},
    {0x0132, "DateTime", "", nullptr},
    {0x013B, "Artist", "", nullptr},
    {0x013E, "WhitePoint", "", nullptr},
    {0x013F, "PrimaryChromaticities", "", nullptr},
    {0x0156, "TransferRange", "", nullptr},
    {0x0200, "JPEGProc", "", nullptr},
    {0x0201, "JPEGInterchangeFormat", "", nullptr},
    {0x0202, "JPEGInterchangeFormatLength", "", nullptr},
    {0x0211, "YCbCrCoefficients", "", nullptr},
    {0x0212, "YCbCrSubSampling", "", nullptr},
    {0x0213, "YCbCrPositioning", "1:Centered,2:Cosited", nullptr},
    {0x0214, "ReferenceBlackWhite", "", nullptr},
    {0x1001, "Related Image Width", "", nullptr},
    {0x1002, "Related Image Height", "", nullptr},
    {0x828D, "CFARepeatPatternDim", "", nullptr},
    {0x828E, "CFAPattern", "", nullptr},
    {0x828F, "BatteryLevel", "", nullptr},
    {0x8298, "Copyright", "", nullptr},
    {0x829A, "ExposureTime", "", nullptr},
    {0x829D, "FNumber", "", nullptr},
    {0x83BB, "IPTC/NAA", "", nullptr},
    {0x8769, "ExifOffset", "", nullptr},
    {0x8773, "InterColorProfile", "", nullptr},
    {0x8822, "ExposureProgram", "0:Unidentified,1:Manual,2:Normal,3:Aperture priority,4:Shutter priority,5:Creative(slow),6:Action(high-speed),7:Portrait mode,8:Landscape mode", nullptr},
    {0x8824, "SpectralSensitivity", "", nullptr},
    {0x8825, "GPSInfo", "", nullptr},
    {0x8827, "ISOSpeedRatings", "", nullptr},
    {0x8828, "OECF", "", nullptr},
    {0x9000, "ExifVersion", "", nullptr},
    {0x9003, "DateTimeOriginal", "", nullptr},
    {0x9004, "DateTimeDigitized", "", nullptr},
    {0x9101, "ComponentsConfiguration", "", nullptr},
    {0x9102, "CompressedBitsPerPixel", "", nullptr},
    {0x9201, "ShutterSpeedValue", "", nullptr},
    {0x9202, "ApertureValue", "", nullptr},
    {0x9203, "BrightnessValue", "", nullptr},
    {0x9204, "ExposureBiasValue", "", nullptr},
    {0x9205, "MaxApertureValue", "", nullptr},
    {0x9206, "SubjectDistance", "", nullptr},
    {0x9207, "MeteringMode", "1:Average,4:MultiSpot,5:Multi,2:Center,3:Spot", nullptr},
    {0x9208, "LightSource", "0:Unidentified,1:Daylight,2:Fluorescent,3:Tungsten,10:Flash,17:Std A,18:Std B,19:Std C", nullptr},
    {0x9209, "Flash", "0:Off,1:On", nullptr},
    {0x920A, "FocalLength", "", nullptr},
    {0x927C, "MakerNote", "", nullptr},
    {0x9286, "UserComment", "", nullptr},
    {0x9290, "SubSecTime", "", nullptr},
    {0x9291, "SubSecTimeOriginal", "", nullptr},
    {0x9292, "SubSecTimeDigitized", "", nullptr},
    {0xA000, "FlashPixVersion", "", nullptr},
    {0xA001, "ColorSpace", "0:sBW,1:sRGB", nullptr},
    {0xA002, "ExifImageWidth", "", nullptr},
    {0xA003, "ExifImageLength", "", nullptr},
    {0xA005, "InteroperabilityOffset", "", nullptr},
    {0xA20B, "FlashEnergy", "", nullptr},
    {0xA20C, "SpatialFrequencyResponse", "", nullptr},
    {0xA20E, "FocalPlaneXResolution", "", nullptr},
    {0xA20F, "FocalPlaneYResolution", "", nullptr},
    {0xA210, "FocalPlaneResolutionUnit", "1:Inch,2:Meter,3:Centimeter,4:Millimeter,5:Micrometer", nullptr},
    {0xA214, "SubjectLocation", "", nullptr},
    {0xA215, "ExposureIndex", "", nullptr},
    {0xA217, "SensingMethod", "0:Unknown,1:MonochromeArea,2:OneChipColorArea,3:TwoChipColorArea,4:ThreeChipColorArea,5:ColorSequentialArea,6:MonochromeLinear,7:TriLinear,8:ColorSequentialLinear", nullptr},
    {0xA300, "FileSource", "", nullptr},
    {0xA301, "SceneType", "", nullptr},
    {0x0000, "", "", nullptr},
};

constexpr TTagTable GpsTagTable[GpsTagTableSize] = {
    {0x0000, "GPSVersionID", "", nullptr},
    {0x0001, "GPSLatitudeRef", "", nullptr},
    {0x0002, "GPSLatitude", "", GpsDegreesText},
    {0x0003, "GPSLongitudeRef", "", nullptr},
    {0x0004, "GPSLongitude", "", GpsDegreesText},
    {0x0005, "GPSAltitudeRef", "0:Sealevel", nullptr},
    {0x0006, "GPSAltitude", "", nullptr},
    {0x0007, "GPSTimeStamp", "", GpsTimeText},
    {0x0008, "GPSSatellites", "", nullptr},
    {0x0009, "GPSStatus", "", nullptr},
    {0x000A, "GPSMeasureMode", "", nullptr},
    {0x000B, "GPSDOP", "", nullptr},
    {0x000C, "GPSSpeedRef", "", nullptr},
    {0x000D, "GPSSpeed", "", nullptr},
    {0x000E, "GPSTrackRef", "", nullptr},
    {0x000F, "GPSTrack", "", nullptr},
    {0x0010, "GPSImageDirectionRef", "", nullptr},
    {0x0011, "GPSImageDirection", "", nullptr},
    {0x0012, "GPSMapDatum", "", nullptr},
    {0x0013, "GPSDestLatitudeRef", "", nullptr},
    {0x0014, "GPSDestLatitude", "", GpsDegreesText},
    {0x0015, "GPSDestLongitudeRef", "", nullptr},
    {0x0016, "GPSDestLongitude", "", GpsDegreesText},
    {0x0017, "GPSDestBearingkRef", "", nullptr},
    {0x0018, "GPSDestBearing", "", nullptr},
    {0x0019, "GPSDestDistanceRef", "", nullptr},
    {0x001A, "GPSDestDistance", "", nullptr},
};

namespace {

// A row left out of a table would be zero-filled (null name) by the array
// bound; catch that when the table is compiled.
constexpr bool AllRowsNamed(const TTagTable* rows, int count) {
    for (int i = 0; i < count; ++i) {
        if (rows[i].Name == nullptr || rows[i].Desc == nullptr) return false;
    }
    return true;
}
static_assert(AllRowsNamed(ExifTagTable, ExifTagTableSize));
static_assert(AllRowsNamed(GpsTagTable, GpsTagTableSize));
static_assert(ExifTagTable[ExifTagTableSize - 1].Tag == 0);
static_assert(ExifTagTable[ExifTagTableSize - 2].Tag == 0xA301);
static_assert(GpsTagTable[GpsTagTableSize - 1].Tag == 0x001A);

const TTagTable* TableOfKind(int kind, int& rowCount) {
    switch (kind) {
    case ExifDirectoryKind: rowCount = ExifTagTableSize; return ExifTagTable;
    case GpsDirectoryKind: rowCount = GpsTagTableSize; return GpsTagTable;
    default: rowCount = 0; return nullptr;
    }
}

} // namespace

int FindLastTagRow(uint16_t tag, const TTagTable* rows, int rowCount) {
    for (int i = rowCount - 1; i >= 0; --i) {
        if (rows[i].Tag == tag) return i;
    }
    return -1;
}

int FindTagRow(uint16_t tag, const TTagTable* rows, int rowCount) {
    for (int i = 0; i < rowCount; ++i) {
        if (rows[i].Tag == tag) return i;
    }
    return -1;
}

std::string FindTagDesc(uint16_t tag, const TTagTable* rows, int rowCount) {
    const int row = FindLastTagRow(tag, rows, rowCount);
    return row < 0 ? std::string() : std::string(rows[row].Desc);
}

int LookupTagIndex(uint16_t tag, int kind) {
    int rowCount = 0;
    const TTagTable* rows = TableOfKind(kind, rowCount);
    return FindLastTagRow(tag, rows, rowCount);
}

std::string LookupTagDesc(uint16_t tag, int kind) {
    int rowCount = 0;
    const TTagTable* rows = TableOfKind(kind, rowCount);
    return FindTagDesc(tag, rows, rowCount);
}

} // namespace ovs
