// What the shipped files carry: version blocks, the icons, the menu bitmaps
// and the string table, read back from the built OvSShow.dll and
// OvUninst.exe; and the package's logo images beside them.
#include "viewer/StandInInstall.h"
#include "resource.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <utility>
#include <vector>

namespace ovs::test {
namespace {

std::string VersionString(const std::vector<char>& block, const char* name) {
    struct TTranslation {
        WORD Language, CodePage;
    }* translation = nullptr;
    UINT size = 0;
    if (!VerQueryValueA(block.data(), "\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation), &size) ||
        size < sizeof(TTranslation))
        return "<no translation>";
    char path[128];
    std::snprintf(path, sizeof(path), "\\StringFileInfo\\%04x%04x\\%s", translation->Language,
                  translation->CodePage, name);
    char* value = nullptr;
    if (!VerQueryValueA(block.data(), path, reinterpret_cast<void**>(&value), &size)) return "<missing>";
    return value;
}

std::vector<char> VersionBlock(const std::string& file) {
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeA(file.c_str(), &handle);
    std::vector<char> block(size);
    if (size == 0 || !GetFileVersionInfoA(file.c_str(), 0, size, block.data())) block.clear();
    return block;
}

TEST(ShippedResources, BothFilesCarryTheirVersion) {
    const struct {
        std::string File;
        const char* Description;
    } cases[] = {
        {ShippedDll(), "Orvane Slide Show shell extension library"},
        {BuildDir() + "\\OvUninst.exe", "Orvane Slide Show uninstall helper"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.File);
        const std::vector<char> block = VersionBlock(c.File);
        ASSERT_FALSE(block.empty());
        VS_FIXEDFILEINFO* fixed = nullptr;
        UINT size = 0;
        ASSERT_TRUE(VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &size));
        EXPECT_EQ(fixed->dwFileVersionMS, 0x00010000u);
        EXPECT_EQ(fixed->dwFileVersionLS, 0u);
        EXPECT_EQ(fixed->dwProductVersionMS, 0x00010000u);
        EXPECT_EQ(fixed->dwProductVersionLS, 0u);
        EXPECT_EQ(VersionString(block, "FileDescription"), c.Description);
        EXPECT_EQ(VersionString(block, "ProductName"), "Orvane Slide Show");
        EXPECT_EQ(VersionString(block, "FileVersion"), "1.0.0.0");
        EXPECT_EQ(VersionString(block, "ProductVersion"), "1.0.0.0");
    }
}

TEST(ShippedResources, TheFourMenuBitmapsAreSixteenColourSquaresOnWhite) {
    HMODULE dll = LoadLibraryExA(ShippedDll().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(dll, nullptr);
    for (const char* name : {"M1", "M2", "M3", "M4"}) {
        SCOPED_TRACE(name);
        HBITMAP bitmap = static_cast<HBITMAP>(LoadImageA(dll, name, IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
        ASSERT_NE(bitmap, nullptr);
        DIBSECTION dib{};
        ASSERT_EQ(GetObjectA(bitmap, sizeof(dib), &dib), static_cast<int>(sizeof(dib)));
        EXPECT_EQ(dib.dsBm.bmWidth, 16);
        EXPECT_EQ(dib.dsBm.bmHeight, 16);
        EXPECT_EQ(dib.dsBm.bmBitsPixel, 4);
        // The corners are background; something is drawn in the middle.
        HDC dc = CreateCompatibleDC(nullptr);
        HGDIOBJ old = SelectObject(dc, bitmap);
        EXPECT_EQ(GetPixel(dc, 0, 0), RGB(255, 255, 255));
        EXPECT_EQ(GetPixel(dc, 15, 15), RGB(255, 255, 255));
        int drawn = 0;
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x) drawn += GetPixel(dc, x, y) != RGB(255, 255, 255);
        EXPECT_GT(drawn, 40);
        SelectObject(dc, old);
        DeleteDC(dc);
        DeleteObject(bitmap);
    }
    FreeLibrary(dll);
}

// An entry of an icon group as the library holds it: the .ico file's
// directory entry with the image's resource id for its offset.
#pragma pack(push, 2)
struct TGroupIconEntry {
    BYTE Width, Height, ColourCount, Reserved;
    WORD Planes, BitCount;
    DWORD BytesInRes;
    WORD Id;
};
#pragma pack(pop)
static_assert(sizeof(TGroupIconEntry) == 14);

std::pair<const BYTE*, DWORD> ResourceBytes(HMODULE module, const char* name, const char* type) {
    HRSRC found = FindResourceA(module, name, type);
    HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
    if (!loaded) return {nullptr, 0};
    return {static_cast<const BYTE*>(LockResource(loaded)), SizeofResource(module, found)};
}

TEST(ShippedResources, EachIconHoldsEverySizeWithAlphaAndSixteenColourImagesForOldSystems) {
    HMODULE dll = LoadLibraryExA(ShippedDll().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(dll, nullptr);
    // 16 to 40: the small-icon sizes of 100 % to 250 % display scale.
    const std::vector<std::pair<int, int>> sizesAndBits = {{16, 4},  {16, 32}, {20, 32}, {24, 32}, {28, 32},
                                                           {32, 4},  {32, 32}, {36, 32}, {40, 32}, {48, 32}};
    for (const int id : {IDI_PRODUCT, IDI_SHOW, IDI_CONFIG, IDI_BUILD, IDI_SETCAPTION}) {
        SCOPED_TRACE(id);
        const auto [group, groupSize] = ResourceBytes(dll, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(14));
        ASSERT_GE(groupSize, 6u);
        WORD count = 0;
        std::memcpy(&count, group + 4, sizeof(count));
        ASSERT_GE(groupSize, 6u + count * sizeof(TGroupIconEntry));
        std::vector<std::pair<int, int>> images;
        for (WORD i = 0; i < count; ++i) {
            TGroupIconEntry entry;
            std::memcpy(&entry, group + 6 + i * sizeof(entry), sizeof(entry));
            EXPECT_EQ(entry.Width, entry.Height);
            images.emplace_back(entry.Width, entry.BitCount);
            if (entry.BitCount != 32) continue;
            // The image itself: a bottom-up 32-bit DIB whose alpha leaves the
            // corners clear and covers a good part of the square.
            const auto [image, imageSize] = ResourceBytes(dll, MAKEINTRESOURCEA(entry.Id), MAKEINTRESOURCEA(3));
            const int n = entry.Width;
            ASSERT_GE(imageSize, sizeof(BITMAPINFOHEADER) + 4u * n * n);
            BITMAPINFOHEADER header;
            std::memcpy(&header, image, sizeof(header));
            EXPECT_EQ(header.biBitCount, 32);
            EXPECT_EQ(header.biWidth, n);
            const BYTE* pixels = image + header.biSize;
            const auto alpha = [&](int x, int y) { return pixels[4 * (y * n + x) + 3]; };
            EXPECT_EQ(alpha(0, 0) | alpha(n - 1, 0) | alpha(0, n - 1) | alpha(n - 1, n - 1), 0) << n;
            int opaque = 0;
            for (int y = 0; y < n; ++y)
                for (int x = 0; x < n; ++x) opaque += alpha(x, y) == 255;
            EXPECT_GT(opaque, n * n / 5) << n;
        }
        std::sort(images.begin(), images.end());
        EXPECT_EQ(images, sizesAndBits);
    }
    FreeLibrary(dll);
}

TEST(PackageLogos, AreTheProductIconAtTheirSizesWithAlpha) {
    const struct {
        const char* Name;
        unsigned Size;
    } logos[] = {{"Square44x44Logo.png", 44}, {"Square150x150Logo.png", 150}, {"StoreLogo.png", 50}};
    for (const auto& logo : logos) {
        SCOPED_TRACE(logo.Name);
        const std::string png = ReadFileBytes(SourceDir() + "\\resources\\package\\" + logo.Name);
        ASSERT_GE(png.size(), 33u);
        EXPECT_EQ(png.substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8));
        EXPECT_EQ(png.substr(12, 4), "IHDR");
        const auto big = [&](size_t at) {
            return unsigned(BYTE(png[at])) << 24 | unsigned(BYTE(png[at + 1])) << 16 |
                   unsigned(BYTE(png[at + 2])) << 8 | unsigned(BYTE(png[at + 3]));
        };
        EXPECT_EQ(big(16), logo.Size);
        EXPECT_EQ(big(20), logo.Size);
        EXPECT_EQ(png[24], 8) << "bits per channel";
        EXPECT_EQ(png[25], 6) << "RGBA";
    }
}

TEST(ShippedResources, TheStringTableHoldsEveryMenuTextAndMessage) {
    HMODULE dll = LoadLibraryExA(ShippedDll().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(dll, nullptr);
    const char* texts[] = {
        "Instant Slide Show!",
        "View the selected images as a slide show.",
        "Settings/About Orvane Slide Show...",
        "Adjust the settings of Orvane Slide Show, and/or view the program information.",
        "Make Standalone Slide Show...",
        "Make a standalone slide show from the selected images.",
        "Set Caption...",
        "Set or edit the caption of the selected image.",
        "Set Caption for ",
        "Edit Caption for ",
        "Current Caption: ",
        "Fatal error: the file OVSSHOW.EXE was not found. Please reinstall Orvane Slide Show.",
        "Error creating system registry entry",
    };
    std::vector<std::string> table;
    for (UINT id = 1000; id < 1100; ++id) {
        char buffer[512];
        const int length = LoadStringA(dll, id, buffer, sizeof(buffer));
        if (length > 0) table.emplace_back(buffer, static_cast<size_t>(length));
    }
    for (const char* text : texts)
        EXPECT_NE(std::find(table.begin(), table.end(), text), table.end()) << text;
    FreeLibrary(dll);
}

} // namespace
} // namespace ovs::test
