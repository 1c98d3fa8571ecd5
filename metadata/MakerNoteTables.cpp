// The maker tables. Names and decode texts are shown as spelled here.
#include "MakerNotes.h"

#include "ValueFormat.h"

namespace ovs {

constexpr TTagTable NikonTagTable1[NikonTagTable1Size] = {
    {0x0002, "FamilyID", "", nullptr},
    {0x0003, "Quality", "1:Vga Basic,2:Vga Normal,3:Vga Fine,4:SXGA Basic,5:SXGA Normal,6:SXGA Fine", nullptr},
    {0x0004, "ColorMode", "1:Color,2:Monochrome", nullptr},
    {0x0005, "ImageAdjustment", "0:Normal,1:Bright+,2:Bright-,3:Contrast+,4:Contrast-.", nullptr},
    {0x0006, "ISOSpeed", "0:ISO80,2:ISO160,4:ISO320,5:ISO100", nullptr},
    {0x0007, "WhiteBalance", "0:Auto,1:Preset,2:Daylight,3:Incandescense,4:Fluorescence,5:Cloudy,6:SpeedLight", nullptr},
    {0x0008, "Focus", "", nullptr},
    {0x0009, "Skip", "", nullptr},
    {0x000A, "DigitalZoom", "", nullptr},
    {0x000B, "Converter", "0:Not used,1:Used", nullptr},
    {0x0F00, "Skip", "", nullptr},
};

constexpr TTagTable NikonTagTable2[NikonTagTable2Size] = {
    {0x0001, "FamilyID", "", nullptr},
    {0x0002, "ISOSpeed", "", nullptr},
    {0x0003, "ColorMode", "", nullptr},
    {0x0004, "Quality", "", nullptr},
    {0x0005, "WhiteBalance", "", nullptr},
    {0x0006, "ImageSharpening", "", nullptr},
    {0x0007, "FocusMode", "", nullptr},
    {0x0008, "FlashSetting", "", nullptr},
    {0x000A, "Skip", "", nullptr},
    {0x000F, "DigitalZoom", "", nullptr},
    {0x0010, "Skip", "", nullptr},
    {0x0081, "ImageAdjustment", "", nullptr},
    {0x0082, "Adapter", "", nullptr},
    {0x0084, "Lens information", "", LensInfoText},
    {0x0085, "ManualFocusDistance", "", nullptr},
    {0x0086, "DigitalZoom", "", nullptr},
    {0x0088, "AFFocusPosition", "", nullptr},
    {0x0089, "Mode", "", nullptr},
    {0x0F00, "Skip", "", nullptr},
};

constexpr TTagTable OlympusTagTable[OlympusTagTableSize] = {
    {0x0200, "SpecialMode", "", nullptr},
    {0x0201, "JpegQual", "1:SQ,2:HQ,3:SHQ", nullptr},
    {0x0202, "Macro", "0:Normal,1:Macro", nullptr},
    {0x0203, "Skip", "", nullptr},
    {0x0204, "DigiZoom", "", nullptr},
    {0x0205, "Skip", "", nullptr},
    {0x0206, "Skip", "", nullptr},
    {0x0207, "SoftwareRelease", "", nullptr},
    {0x0208, "PictInfo", "", nullptr},
    {0x0209, "CameraID", "", nullptr},
    {0x0F00, "Skip", "", nullptr},
};

constexpr TTagTable CasioTagTable[CasioTagTableSize] = {
    {0x0001, "RecordingMode", "1:Single Shutter,2:Panorama,3:Night Scene,4:Portrait,5:Landscape", nullptr},
    {0x0002, "Quality", "1:Economy,2:Normal,3:Fine", nullptr},
    {0x0003, "FocusingMode", "2:Macro,3:Auto Focus,4:Manual Focus,5:Infinity", nullptr},
    {0x0004, "FlashMode", "1:Auto,2:On,3:Off,4:Red Eye Reduction", nullptr},
    {0x0005, "FlashIntensity", "11:Weak,13:Normal,15:Strong", nullptr},
    {0x0006, "ObjectDistance", "", nullptr},
    {0x0007, "WhiteBalance", "1:Auto,2:Tungsten,3:Daylight,4:Fluorescent,5:Shade,129:Manual", nullptr},
    {0x0008, "Skip", "", nullptr},
    {0x0009, "Skip", "", nullptr},
    {0x000A, "DigitalZoom", "65536:Off,65537:2X Digital Zoom", nullptr},
    {0x000B, "Sharpness", "0:Normal,1:Soft,2:Hard", nullptr},
    {0x000C, "Contrast", "0:Normal,1:Low,2:High", nullptr},
    {0x000D, "Saturation", "0:Normal,1:Low,2:High", nullptr},
    {0x000E, "Skip", "", nullptr},
    {0x000F, "Skip", "", nullptr},
    {0x0010, "Skip", "", nullptr},
    {0x0011, "Skip", "", nullptr},
    {0x0012, "Skip", "", nullptr},
    {0x0013, "Skip", "", nullptr},
    {0x0014, "CCDSensitivity", "64:Normal,125:+1.0,250:+2.0,244:+3.0,80:Normal,100:High", nullptr},
    {0x0015, "Skip", "", nullptr},
    {0x0016, "Skip", "", nullptr},
    {0x0017, "Skip", "", nullptr},
    {0x0018, "Skip", "", nullptr},
    {0x0019, "Skip", "", nullptr},
    {0x001A, "Skip", "", nullptr},
};

constexpr TTagTable FujifilmTagTable[FujifilmTagTableSize] = {
    {0x0000, "Version", "", nullptr},
    {0x1000, "Quality", "", nullptr},
    {0x1001, "Sharpness", "1:Soft,2:Soft,3:Normal,4:Hard,5:Hard", nullptr},
    {0x1002, "WhiteBalance", "0:Auto,256:Daylight,512:Cloudy,768:DaylightColor-fluorescence,769:DaywhiteColor-fluorescence,770:White-fluorescence,1024:Incandenscense,3840:Custom white balance.", nullptr},
    {0x1003, "Color", "", nullptr},
    {0x1004, "Tone", "", nullptr},
    {0x1010, "FlashMode", "0:Auto,1:On,2:Off,3:Red-eye reduction", nullptr},
    {0x1011, "FlashStrength", "", nullptr},
    {0x1020, "Macro", "0:Off,1:On", nullptr},
    {0x1021, "Focusmode", "0:Auto Focus,1:Manual Focus", nullptr},
    {0x1030, "SlowSync", "0:Off,1:On", nullptr},
    {0x1031, "PictureMode", "0:Auto,1:Portrait scene,2:Landscape scene,4:Sports scene,5:Night scene,6:Program AE,256:Aperture prior AE,512:Shutter prior AE,768:Manual exposure", nullptr},
    {0x1032, "Skip", "", nullptr},
    {0x1100, "ContTake/Bracket", "0:Off,1:On", nullptr},
    {0x1200, "Skip", "", nullptr},
    {0x1300, "BlurWarning", "0:No blur warning,1:Blur warning", nullptr},
    {0x1301, "FocusWarning", "0:Auto Focus good,1:Out of focus", nullptr},
    {0x1302, "AEWarning", "0:AE good,1:Over exposure", nullptr},
};

constexpr TTagTable CanonTagTable[CanonTagTableSize] = {
    {0x0000, "Skip", "", nullptr},
    {0x0001, "ExposureInfo1", "", nullptr},
    {0x0002, "Skip", "", nullptr},
    {0x0003, "Skip", "", nullptr},
    {0x0004, "ExposureInfo2", "", nullptr},
    {0x0006, "ImageType", "", nullptr},
    {0x0007, "FirmwareVersion", "", nullptr},
    {0x0008, "ImageNumber", "", nullptr},
    {0x0009, "OwnerName", "", nullptr},
    {0x000A, "Skip", "", nullptr},
    {0x000C, "CameraSerialNumber", "", nullptr},
    {0x000D, "Skip", "", nullptr},
    {0x000F, "CustomFunctions", "", nullptr},
    {0x0010, "Skip", "", nullptr},
};

constexpr TTagTable SeikoTagTable[SeikoTagTableSize] = {
    {0x0200, "Special Mode", "", nullptr},
    {0x0201, "JpegQuality", "", nullptr},
    {0x0202, "Macro", "", nullptr},
    {0x0203, "Skip", "", nullptr},
    {0x0204, "DigiZoom", "", nullptr},
    {0x0209, "CameraID", "", nullptr},
    {0x020A, "Comments", "", nullptr},
    {0x020B, "Width", "", nullptr},
    {0x020C, "Height", "", nullptr},
    {0x020D, "SoftRelease", "", nullptr},
    {0x0300, "??", "", nullptr},
    {0x0F00, "skip", "", nullptr},
};

constexpr TTagTable SanyoTagTable[SanyoTagTableSize] = {
    {0x0200, "Special Mode", "", nullptr},
    {0x0201, "JpegQuality", "", nullptr},
    {0x0202, "Macro", "", nullptr},
    {0x0203, "Skip", "", nullptr},
    {0x0204, "DigiZoom", "", nullptr},
    {0x0F00, "DataDump", "", nullptr},
};

namespace {

constexpr bool AllRowsNamed(const TTagTable* rows, int count) {
    for (int i = 0; i < count; ++i) {
        if (rows[i].Name == nullptr || rows[i].Desc == nullptr) return false;
    }
    return true;
}
static_assert(AllRowsNamed(NikonTagTable1, NikonTagTable1Size));
static_assert(AllRowsNamed(NikonTagTable2, NikonTagTable2Size));
static_assert(AllRowsNamed(OlympusTagTable, OlympusTagTableSize));
static_assert(AllRowsNamed(CasioTagTable, CasioTagTableSize));
static_assert(AllRowsNamed(FujifilmTagTable, FujifilmTagTableSize));
static_assert(AllRowsNamed(CanonTagTable, CanonTagTableSize));
static_assert(AllRowsNamed(SeikoTagTable, SeikoTagTableSize));
static_assert(AllRowsNamed(SanyoTagTable, SanyoTagTableSize));

} // namespace

} // namespace ovs
