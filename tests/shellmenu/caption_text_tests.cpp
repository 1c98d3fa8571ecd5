// The caption as its writer wrote it, in the caption item's help text: UTF-8
// where the image's IPTC record says so or its bytes show it, otherwise the
// ANSI code page; an ANSI caller gets the exact ANSI form or '?'.
#include "OvShellMenuClasses.h"
#include "OvShellMenuUtils.h"
#include "CaptionJpeg.h"
#include "ShellTestSupport.h"
#include "WinTestSupport.h"
#include "WinText.h"
#include "lumSysUtils.h"

#include <gtest/gtest.h>

namespace ovs::test {
namespace {

const std::string DeclaresUtf8 = Dataset(1, 90, "\x1B%G");

// The help texts of the caption item of a menu built for path, as Explorer
// asks for them, into buffers of cchMax units.
struct THelpTexts {
    std::wstring Wide;
    std::string Ansi;
};

THelpTexts HelpTextsOf(const std::wstring& path, UINT cchMax = 512) {
    TComPtr<TlumShellMenu> handler(new TlumShellMenu);
    handler->AddRef();
    auto data = WideHDropDataObject({path});
    THelpTexts texts;
    if (handler->Initialize(nullptr, data.get(), nullptr) != S_OK) return texts;
    const HMENU menu = CreatePopupMenu();
    if (SUCCEEDED(handler->QueryContextMenu(menu, 0, 1, 100, CMF_NORMAL))) {
        wchar_t wide[512] = {};
        char ansi[512] = {};
        if (handler->GetCommandString(4, GCS_HELPTEXTW, nullptr, reinterpret_cast<char*>(wide), cchMax) == S_OK)
            texts.Wide = wide;
        if (handler->GetCommandString(4, GCS_HELPTEXTA, nullptr, ansi, cchMax) == S_OK) texts.Ansi = ansi;
    }
    DestroyMenu(menu);
    return texts;
}

class CaptionText : public ::testing::Test {
protected:
    void SetUp() override {
        InitPlatformFlags();
        CreateCaptionReader();
        SetupMenuItems();
    }
    void TearDown() override {
        FreeMenuItems();
        FreeCaptionReader();
    }

    TComApartment apartment_;
    TScratchDir dir_{"captext"};
};

TEST_F(CaptionText, HelpTextShowsTheCaptionAsItsWriterWroteIt) {
    if (GetACP() != 1252) GTEST_SKIP() << "the expected ANSI forms are those of code page 1252";
    const std::wstring palm{wchar_t(0xD83C), wchar_t(0xDF34)};
    const struct {
        const char* What;
        std::string Datasets;
        std::wstring Shown;
        std::string Ansi;
    } cases[] = {
        {"UTF-8, declared",
         DeclaresUtf8 + Dataset(2, 120, "J\xC3\xB6nk\xC3\xB6ping \xE6\x97\xA5\xE6\x9C\xAC \xF0\x9F\x8C\xB4"),
         L"J\u00F6nk\u00F6ping \u65E5\u672C " + palm, "J\xF6nk\xF6ping ?? ?"},
        {"UTF-8, undeclared", Dataset(2, 120, "J\xC3\xB6nk\xC3\xB6ping"), L"J\u00F6nk\u00F6ping", "J\xF6nk\xF6ping"},
        {"Windows-1252", Dataset(2, 120, "Portr\xE4tt p\xE5 Eva \x80"), L"Portr\u00E4tt p\u00E5 Eva \u20AC",
         "Portr\xE4tt p\xE5 Eva \x80"},
        {"ASCII", Dataset(2, 120, "Beach"), L"Beach", "Beach"},
        {"invalid UTF-8, declared", DeclaresUtf8 + Dataset(2, 120, "J\xF6nk\xC3"), L"J\uFFFDnk\uFFFD", "J?nk?"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.What);
        const std::wstring path = WideFromAnsi(dir_ / "c.jpg");
        WriteFileBytes(path, JpegWithIptc(c.Datasets));
        // The Explorer commands take the same text for their tooltip.
        EXPECT_EQ(PrepareCaptionItem(path).Hint, L"Current Caption: " + c.Shown);
        const THelpTexts texts = HelpTextsOf(path);
        EXPECT_EQ(texts.Wide, L"Current Caption: " + c.Shown);
        EXPECT_EQ(texts.Ansi, "Current Caption: " + c.Ansi);
    }
}

TEST_F(CaptionText, TheNineXFamilyShowsTheStoredBytes) {
    // Its shell asks in ANSI only; the stored bytes are what its programs
    // wrote.
    const std::string stored = "J\xC3\xB6nk\xC3\xB6ping";
    const std::wstring path = WideFromAnsi(dir_ / "c.jpg");
    WriteFileBytes(path, JpegWithIptc(DeclaresUtf8 + Dataset(2, 120, stored)));
    FreeCaptionReader();
    IsWinNT = false;
    CreateCaptionReader();
    const TCaptionTexts texts = PrepareCaptionItem(path);
    const std::string ansi = HelpTextsOf(path).Ansi;
    FreeCaptionReader();
    InitPlatformFlags();
    EXPECT_EQ(texts.Hint, L"Current Caption: " + WideFromAnsi(stored));
    EXPECT_EQ(ansi, "Current Caption: " + stored);
}

// Run once more under LANG=ja_JP.UTF-8 (shellmenu_caption_text_cp932).
TEST_F(CaptionText, CodePage932ShiftJisWithoutDeclarationIsShownInTheCodePage) {
    if (GetACP() != 932) GTEST_SKIP() << "needs code page 932: run under LANG=ja_JP.UTF-8";
    const std::wstring path = WideFromAnsi(dir_ / "c.jpg");
    WriteFileBytes(path, JpegWithIptc(Dataset(2, 120, "\x83\x5C\x95\x5C")));
    EXPECT_EQ(PrepareCaptionItem(path).Hint, L"Current Caption: \u30BD\u8868");
    const THelpTexts texts = HelpTextsOf(path);
    EXPECT_EQ(texts.Wide, L"Current Caption: \u30BD\u8868");
    EXPECT_EQ(texts.Ansi, "Current Caption: \x83\x5C\x95\x5C");
}

// The cp932 rows run under LANG=ja_JP.UTF-8 (shellmenu_caption_text_cp932),
// the others in the default code page 1252.
TEST_F(CaptionText, HelpTextsAreCutOnWholeCharactersAlsoInCodePage932) {
    const std::string palm = "\xF0\x9F\x8C\xB4";
    const std::wstring palmUnits{wchar_t(0xD83C), wchar_t(0xDF34)};
    // "Current Caption: " is 17 units; the buffer holds cchMax - 1 of them.
    const struct {
        const char* What;
        UINT CodePage;
        std::string Datasets;
        UINT CchMax;
        std::wstring Wide;
        std::string Ansi;
    } cases[] = {
        {"cut after a high surrogate", 1252, DeclaresUtf8 + Dataset(2, 120, "a" + palm + "b"), 20, L"a", "a?"},
        {"surrogate pair kept whole", 1252, DeclaresUtf8 + Dataset(2, 120, "a" + palm + "b"), 21, L"a" + palmUnits,
         "a?b"},
        {"cut on a lead byte", 932, Dataset(2, 120, "\x83\x5C\x95\x5C"), 19, L"\u30BD", ""},
        {"cut after a whole double-byte character", 932, Dataset(2, 120, "\x83\x5C\x95\x5C"), 21,
         L"\u30BD\u8868", "\x83\x5C"},
        // The trail 0x83 has a lead byte's value; only a scan from the
        // start tells it apart.
        {"trail byte of a lead byte's value", 932, Dataset(2, 120, "\x83\x83" "A"), 20, L"\u30E3A", "\x83\x83"},
    };
    const std::wstring path = WideFromAnsi(dir_ / "c.jpg");
    int run = 0;
    for (const auto& c : cases) {
        if (GetACP() != c.CodePage) continue;
        SCOPED_TRACE(c.What);
        ++run;
        WriteFileBytes(path, JpegWithIptc(c.Datasets));
        const THelpTexts texts = HelpTextsOf(path, c.CchMax);
        EXPECT_EQ(texts.Wide, L"Current Caption: " + c.Wide);
        EXPECT_EQ(texts.Ansi, "Current Caption: " + c.Ansi);
    }
    if (run == 0) GTEST_SKIP() << "no rows for code page " << GetACP();
}

} // namespace
} // namespace ovs::test
