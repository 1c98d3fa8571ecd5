// What the shipped files carry: version blocks, the menu bitmaps and the
// string table, read back from the built OvSShow.dll and OvUninst.exe.
#include "viewer/StandInInstall.h"

#include <gtest/gtest.h>

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
