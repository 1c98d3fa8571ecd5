// The selection filter on real folders and shell links under Wine, with names
// in any script (which extensions count is checked through real menus in
// handler_tests).
#include "ImportPatch.h"
#include "OvTools.h"
#include "ShellTestSupport.h"
#include "WinFiles.h"
#include "WinTestSupport.h"
#include "WinText.h"
#include "lumSysUtils.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <initializer_list>
#include <thread>

using namespace ovs;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsSubsetOf;
using ::testing::SizeIs;
using ::testing::UnorderedElementsAreArray;

namespace {

TEST(AddPathDelimiter, TrimsAndEndsInOneDelimiter) {
    const std::pair<const wchar_t*, const wchar_t*> rows[] = {
        {L"", L""},
        {L" \t ", L""},
        {L"C:\\Photos", L"C:\\Photos\\"},
        {L"C:\\Photos\\", L"C:\\Photos\\"},
        {L"C:", L"C:"},
        {L"share/dir/", L"share/dir/"},
        {L" \tC:\\Photos \r\n", L"C:\\Photos\\"},
        {L"C:\\\u5199\u771F", L"C:\\\u5199\u771F\\"},
        // U+FF3C (fullwidth reverse solidus) is a letter of the name, no delimiter.
        {L"C:\\\u30BD\uFF3C", L"C:\\\u30BD\uFF3C\\"},
    };
    for (const auto& [in, out] : rows) EXPECT_EQ(AddPathDelimiter(in), out) << in;
}

TEST(ImageExtensions, AreTheSeventeenInOrder) {
    EXPECT_STREQ(ImageExtensions, "bmp\r\njfif\r\njpg\r\njpe\r\njpeg\r\nrle\r\ndib\r\ntga\r\ntiff\r\ntif\r\n"
                                  "pcx\r\npsd\r\npdd\r\npcd\r\ngif\r\npsp\r\npng");
}

TEST(IsCaptionCandidate, OnlyASingleJpeg) {
    const struct {
        std::vector<std::wstring> images;
        bool candidate;
    } rows[] = {
        {{}, false},
        {{L"C:\\a.jpg"}, true},
        {{L"C:\\a.JPEG"}, true},
        {{L"C:\\a.Jpe"}, true},
        {{L"C:\\a.jfif"}, true},
        {{L"C:\\\u03A9mega.jpg"}, true},
        {{L"C:\\a.png"}, false},
        {{L"C:\\a.jpg.png"}, false},
        {{L"C:\\dir.jpg\\photo"}, false},
        {{L"C:\\a.jpg", L"C:\\b.jpg"}, false},
    };
    for (const auto& row : rows)
        EXPECT_EQ(IsCaptionCandidate(row.images), row.candidate) << row.images.size() << " images";
}

class SelectionFilter : public ::testing::Test {
protected:
    void SetUp() override { InitPlatformFlags(); }

    std::wstring Path(std::wstring_view name) const { return root + L"\\" + std::wstring(name); }
    std::vector<std::wstring> Paths(std::initializer_list<std::wstring_view> names) const {
        std::vector<std::wstring> out;
        for (std::wstring_view n : names) out.push_back(Path(n));
        return out;
    }
    void Folder(std::wstring_view name) const {
        ASSERT_TRUE(CreateDirectoryW(Path(name).c_str(), nullptr)) << std::wstring(name);
    }
    void File(std::wstring_view name, const std::string& bytes = {}) const { test::TouchFile(Path(name), bytes); }
    void Link(std::wstring_view name, std::wstring_view target) const { test::MakeShortcut(Path(name), Path(target)); }

    std::vector<std::wstring> Filter(std::initializer_list<std::wstring_view> names) {
        selection = Paths(names);
        return BuildImageList(selection, static_cast<int>(selection.size()));
    }

    test::TComApartment apartment;
    test::TScratchDir dir{"sel"};
    const std::wstring root = ovs::WideFromAnsi(dir.path());
    std::vector<std::wstring> selection;
};

TEST_F(SelectionFilter, FolderContributesEachImageNamedEntryDirectlyInside) {
    enum TKind { kFile, kFolder, kLink };
    const struct {
        const wchar_t* name;  // made in a folder among entries that never count
        TKind kind;
        DWORD attributes;
        const wchar_t* image;  // what the folder then contributes, below the scratch folder
    } rows[] = {
        {L"one.jpg", kFile, 0, L"one.jpg"},
        {L"two.PNG", kFile, 0, L"two.PNG"},
        {L"hidden.gif", kFile, FILE_ATTRIBUTE_HIDDEN, L"hidden.gif"},
        {L"system.bmp", kFile, FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_READONLY, L"system.bmp"},
        {L"photo.tar.psd", kFile, 0, L"photo.tar.psd"},
        {L"dir.jpg", kFolder, 0, L"dir.jpg"},
        {L"pic.lnk", kLink, 0, nullptr},
    };
    File(L"elsewhere.tga");
    int n = 0;
    for (const auto& row : rows) {
        const std::wstring folder = L"album" + std::to_wstring(++n);
        Folder(folder);
        Folder(folder + L"\\sub");
        for (const wchar_t* other : {L"readme.txt", L"photo", L"photo.", L"archive.jpg.txt", L"x.jp2", L"sub\\deep.jpg"})
            File(folder + L"\\" + other);
        Link(folder + L"\\doc.lnk", L"notes.txt");
        const std::wstring entry = folder + L"\\" + row.name;
        if (row.kind == kFile) File(entry);
        if (row.kind == kFolder) Folder(entry);
        if (row.kind == kLink) Link(entry, L"elsewhere.tga");
        if (row.attributes) SetFileAttributesW(Path(entry).c_str(), row.attributes);

        const std::wstring image = row.image ? Path(folder + L"\\" + row.image) : Path(L"elsewhere.tga");
        EXPECT_THAT(Filter({folder}), ElementsAre(image)) << row.name;
        EXPECT_THAT(selection, ElementsAre(Path(folder))) << "a folder entry is never rewritten";
        selection = {Path(folder) + L"\\"};
        EXPECT_THAT(BuildImageList(selection, 1), ElementsAre(image)) << row.name << " with a trailing backslash";
        if (row.attributes) SetFileAttributesW(Path(entry).c_str(), FILE_ATTRIBUTE_NORMAL);
    }
}

TEST_F(SelectionFilter, KeepsSelectionOrderAndDuplicatesAndOnlySelectedCountEntries) {
    Folder(L"album");
    File(L"album\\only.png");
    File(L"a.jpg");
    EXPECT_THAT(Filter({L"a.jpg", L"album"}), ElementsAre(Path(L"a.jpg"), Path(L"album\\only.png")));
    EXPECT_THAT(Filter({L"album", L"a.jpg"}), ElementsAre(Path(L"album\\only.png"), Path(L"a.jpg")));
    selection = Paths({L"a.jpg", L"a.jpg", L"a.jpg"});
    EXPECT_THAT(BuildImageList(selection, 2), ElementsAre(Path(L"a.jpg"), Path(L"a.jpg")));
    EXPECT_THAT(BuildImageList(selection, 1), ElementsAre(Path(L"a.jpg")));
    EXPECT_THAT(BuildImageList(selection, 0), ElementsAre());
    EXPECT_THAT(BuildImageList(selection, -1), ElementsAre());
    EXPECT_THAT(BuildImageList(selection, 7), SizeIs(2)) << "a count past the selection reads the selection";
}

TEST_F(SelectionFilter, ShortcutEntriesAreReplacedByTheirTargets) {
    Folder(L"album");
    for (const wchar_t* file : {L"album\\one.jpg", L"album\\two.gif", L"pic.png", L"doc.txt"}) File(file);
    Link(L"to-png.lnk", L"pic.png");
    Link(L"to-folder.LNK", L"album");
    Link(L"to-text.lnk", L"doc.txt");
    Link(L"broken.lnk", L"gone.jpg");
    File(L"garbage.lnk", "this is no shell link");
    const struct {
        const wchar_t* name;
        std::vector<std::wstring> images;
        std::wstring entry;  // the selection entry afterwards
    } rows[] = {
        {L"to-png.lnk", {Path(L"pic.png")}, Path(L"pic.png")},
        {L"to-folder.LNK", Paths({L"album\\one.jpg", L"album\\two.gif"}), Path(L"album")},
        {L"to-text.lnk", {}, Path(L"doc.txt")},
        {L"broken.lnk", {}, Path(L"gone.jpg")},  // Wine keeps a deleted target's path
        {L"garbage.lnk", {}, L""},
        {L"missing.lnk", {}, L""},
    };
    for (const auto& row : rows) {
        EXPECT_THAT(Filter({row.name}), UnorderedElementsAreArray(row.images)) << row.name;
        EXPECT_EQ(selection[0], row.entry) << row.name;
    }
}

TEST_F(SelectionFilter, NamesInAnyScriptAreListedAsTheyAre) {
    const std::wstring sojiku = L"\u30BD\u8868.jpg";                // ソ表.jpg: 0x83 0x5C in code page 932
    const std::wstring palm = L"\U0001F334 beach.jpg";             // outside every ANSI code page
    const std::wstring photos = L"\u5199\u771F";                   // 写真
    const std::wstring omega = L"\u03A9mega.jpg";                  // best fit would make it Omega.jpg
    File(sojiku);
    File(palm);
    File(L"caf\u00E9.txt");
    Folder(photos);
    File(photos + L"\\\u4E00.jpg");
    File(photos + L"\\\u4E8C.txt");
    Folder(L"greek");
    File(L"greek\\" + omega);
    Folder(L"\u0418\u0432\u0430\u043D");                            // Иван
    File(L"\u0418\u0432\u0430\u043D\\" + omega);
    Link(L"to-palm.lnk", palm);
    Link(L"\u5199\u771F\u3078.lnk", sojiku);                       // 写真へ.lnk
    Link(L"to-ivan.lnk", L"\u0418\u0432\u0430\u043D\\" + omega);
    Link(L"to-photos.lnk", photos);

    const struct {
        std::wstring entry;
        std::vector<std::wstring> images;
        std::wstring afterwards;  // the selection entry after the build
    } rows[] = {
        {sojiku, {Path(sojiku)}, Path(sojiku)},
        {palm, {Path(palm)}, Path(palm)},
        {L"caf\u00E9.txt", {}, Path(L"caf\u00E9.txt")},
        {photos, {Path(photos + L"\\\u4E00.jpg")}, Path(photos)},
        {L"greek", {Path(L"greek\\" + omega)}, Path(L"greek")},
        {L"to-palm.lnk", {Path(palm)}, Path(palm)},
        {L"\u5199\u771F\u3078.lnk", {Path(sojiku)}, Path(sojiku)},
        {L"to-ivan.lnk", {Path(L"\u0418\u0432\u0430\u043D\\" + omega)}, Path(L"\u0418\u0432\u0430\u043D\\" + omega)},
        {L"to-photos.lnk", {Path(photos + L"\\\u4E00.jpg")}, Path(photos)},
    };
    for (const auto& row : rows) {
        EXPECT_THAT(Filter({row.entry}), ElementsAreArray(row.images)) << row.entry;
        EXPECT_EQ(selection[0], row.afterwards) << row.entry;
    }
    // The single image the caption item names is the real file.
    const std::vector<std::wstring> images = Filter({L"greek"});
    ASSERT_THAT(images, SizeIs(1));
    EXPECT_TRUE(IsCaptionCandidate(images));
    EXPECT_NE(FileAttributesOf(images[0]), INVALID_FILE_ATTRIBUTES);
}

TEST_F(SelectionFilter, TwoImagesDecideTheMenuAndLaterShortcutsAreStillResolved) {
    Folder(L"album");
    for (const wchar_t* file : {L"album\\1.jpg", L"album\\2.jpg", L"album\\3.png", L"album\\4.gif"}) File(file);
    Folder(L"other");
    File(L"other\\5.jpg");
    File(L"pic.png");
    File(L"doc.txt");
    Link(L"to-png.lnk", L"pic.png");
    Link(L"to-text.lnk", L"doc.txt");
    Link(L"to-other.lnk", L"other");
    File(L"garbage.lnk", "this is no shell link");

    const std::vector<std::wstring> inAlbum = Paths({L"album\\1.jpg", L"album\\2.jpg", L"album\\3.png", L"album\\4.gif"});
    std::vector<std::wstring> images = Filter({L"album"});
    EXPECT_THAT(images, SizeIs(2));
    EXPECT_THAT(images, IsSubsetOf(inAlbum));

    images = Filter({L"album", L"to-png.lnk", L"to-text.lnk", L"garbage.lnk", L"to-other.lnk", L"pic.png"});
    EXPECT_THAT(images, SizeIs(2));
    EXPECT_THAT(images, IsSubsetOf(inAlbum)) << "nothing after the decision is listed";
    EXPECT_THAT(selection, ElementsAre(Path(L"album"), Path(L"pic.png"), Path(L"doc.txt"), L"", Path(L"other"),
                                       Path(L"pic.png")))
        << "every selected shortcut names its target in the list file";

    // Decided by two top-level images: the shortcuts behind them still resolve.
    EXPECT_THAT(Filter({L"pic.png", L"other", L"album", L"to-text.lnk"}),
                ElementsAre(Path(L"pic.png"), Path(L"other\\5.jpg")));
    EXPECT_EQ(selection[3], Path(L"doc.txt"));
    // Only the first SelectedCount entries are touched, decided or not.
    selection = Paths({L"pic.png", L"pic.png", L"to-png.lnk"});
    EXPECT_THAT(BuildImageList(selection, 2), SizeIs(2));
    EXPECT_EQ(selection[2], Path(L"to-png.lnk"));
}

TEST_F(SelectionFilter, NineXFamilyTakesTheAnsiRouteToTheSameImages) {
    // The 9x family's wide functions are stubs: its names come from ANSI and
    // go back to it, with the ANSI link interface.
    struct TAnsiPlatform {
        TAnsiPlatform() { IsWinNT = false; }
        ~TAnsiPlatform() { InitPlatformFlags(); }
    } ansi;
    Folder(L"caf\u00E9");
    File(L"caf\u00E9\\cr\u00E8me.jpg");
    File(L"caf\u00E9\\menu.txt");
    File(L"pic.png");
    Link(L"to-png.lnk", L"pic.png");
    Link(L"to-caf\u00E9.lnk", L"caf\u00E9");
    File(L"garbage.lnk", "this is no shell link");
    EXPECT_THAT(Filter({L"caf\u00E9", L"garbage.lnk"}), ElementsAre(Path(L"caf\u00E9\\cr\u00E8me.jpg")));
    EXPECT_EQ(selection[1], L"");
    EXPECT_THAT(Filter({L"to-caf\u00E9.lnk", L"to-png.lnk"}),
                ElementsAre(Path(L"caf\u00E9\\cr\u00E8me.jpg"), Path(L"pic.png")));
    EXPECT_THAT(selection, ElementsAre(Path(L"caf\u00E9"), Path(L"pic.png")));
}

// Counts the file-system questions this program asks about paths that hold a
// given text (the filter is linked into this program).
class TFileSystemQuestions {
public:
    explicit TFileSystemQuestions(std::wstring marker) {
        watched_ = std::move(marker);
        count_ = 0;
        self_ = this;
    }
    ~TFileSystemQuestions() { self_ = nullptr; }
    TFileSystemQuestions(const TFileSystemQuestions&) = delete;
    TFileSystemQuestions& operator=(const TFileSystemQuestions&) = delete;
    int Count() const { return count_; }

private:
    static void Note(const wchar_t* path) {
        if (path && std::wstring_view(path).find(watched_) != std::wstring_view::npos) ++count_;
    }
    static DWORD WINAPI Attributes(LPCWSTR path) {
        Note(path);
        return self_->attributes_.Original<decltype(&Attributes)>()(path);
    }
    static HANDLE WINAPI FindFirst(LPCWSTR path, LPWIN32_FIND_DATAW data) {
        Note(path);
        return self_->findFirst_.Original<decltype(&FindFirst)>()(path, data);
    }
    static HANDLE WINAPI Create(LPCWSTR path, DWORD a, DWORD s, LPSECURITY_ATTRIBUTES sa, DWORD d, DWORD f,
                                HANDLE t) {
        Note(path);
        return self_->create_.Original<decltype(&Create)>()(path, a, s, sa, d, f, t);
    }
    static DWORD WINAPI ShortPath(LPCWSTR path, LPWSTR buffer, DWORD size) {
        Note(path);
        return self_->shortPath_.Original<decltype(&ShortPath)>()(path, buffer, size);
    }

    static inline std::wstring watched_;
    static inline int count_ = 0;
    static inline TFileSystemQuestions* self_ = nullptr;
    test::TImportPatch attributes_{"kernel32.dll", "GetFileAttributesW", reinterpret_cast<void*>(&Attributes)};
    test::TImportPatch findFirst_{"kernel32.dll", "FindFirstFileW", reinterpret_cast<void*>(&FindFirst)};
    test::TImportPatch create_{"kernel32.dll", "CreateFileW", reinterpret_cast<void*>(&Create)};
    test::TImportPatch shortPath_{"kernel32.dll", "GetShortPathNameW", reinterpret_cast<void*>(&ShortPath)};
};

TEST_F(SelectionFilter, EachShortcutIsReadOnceAndItsTargetAskedOnlyWhereTheMenuNeedsIt) {
    // Twenty shortcuts to images on a share that does not answer (made while
    // it was away, so the links recorded nothing of their targets), and
    // twenty to images on a disk (whose links recorded them as files).
    constexpr int kShortcuts = 20;
    const std::wstring share = L"\\\\nohost\\share\\";
    Folder(L"far");
    Folder(L"links");
    Folder(L"disklinks");
    std::vector<std::wstring> toShare, toDisk;
    for (int i = 0; i < kShortcuts; ++i) {
        const std::wstring n = std::to_wstring(i);
        File(L"far\\" + n + L".jpg");
        test::MakeShortcut(Path(L"links\\share" + n + L".lnk"), share + n + L".jpg");
        Link(L"disklinks\\" + n + L".lnk", L"far\\" + n + L".jpg");
        toShare.push_back(Path(L"links\\share" + n + L".lnk"));
        toDisk.push_back(Path(L"disklinks\\" + n + L".lnk"));
    }
    const struct {
        const char* name;
        std::vector<std::wstring> selection;
        std::wstring watched;
        size_t images;
        int questions;  // about the targets
    } cases[] = {
        // Each shortcut's target must be asked whether it is a file or a
        // folder until the menu is decided; none answers, so it never is.
        {"shortcuts to a share that does not answer", toShare, L"\\\\nohost\\", 0, kShortcuts},
        // The links say: two images decide the menu without a question.
        {"shortcuts to images on a disk", toDisk, L"\\far\\", 2, 0},
        // A folder's entries count by name: its shortcuts are read, not followed.
        {"the folder holding the shortcuts", {Path(L"links")}, L"\\nohost\\", 2, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        selection = c.selection;
        TFileSystemQuestions questions(c.watched);
        EXPECT_EQ(BuildImageList(selection, static_cast<int>(selection.size())).size(), c.images);
        EXPECT_EQ(questions.Count(), c.questions);
        // Every shortcut still names its target in the list file.
        if (c.selection.size() == kShortcuts) {
            for (int i = 0; i < kShortcuts; ++i) EXPECT_NE(selection[i].find(c.watched), std::wstring::npos) << i;
        }
    }
}

TEST(SelectionFilterWithoutCom, EndsQuietlyWithWhatWasFound) {
    // No apartment on this thread: the shell link object can't be created,
    // which ends the build after the image met before the shortcut.
    InitPlatformFlags();
    test::TScratchDir dir("nocom");
    test::TouchFile(dir / "a.jpg");
    test::TouchFile(dir / "b.jpg");
    std::vector<std::wstring> selection;
    for (const char* name : {"a.jpg", "x.lnk", "b.jpg"}) selection.push_back(ovs::WideFromAnsi(dir / name));
    std::vector<std::wstring> images;
    std::thread([&] { images = BuildImageList(selection, 3); }).join();
    EXPECT_THAT(images, ElementsAre(selection[0]));
}

} // namespace
