// How much building the menu for a big selected folder costs over merely
// listing that folder: QueryContextMenu (selection filter included) against a
// bare FindFirstFileW/FindNextFileW walk of the same folder, in the same run.
//
//   menu_bench.exe [files=10000] [rounds=15] [photo folder]
//
// Prints, for a folder of mixed files without shortcuts, one with shortcuts
// among its files, and the given folder of photos (made beforehand: Wine
// creates a file in a big folder only after comparing its name with every
// name there, so 100,000 files made here would take most of an hour), the
// fastest and the median time of each and their ratio; for the photos also
// what opening the walk alone costs (FindFirstFileW: Wine reads the whole
// folder there), the floor of any menu build.
#include "OvShellMenuClasses.h"
#include "ShellTestSupport.h"
#include "lumSysUtils.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <utility>
#include <vector>

using namespace ovs;

namespace {

double Seconds() {
    static const double frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return static_cast<double>(f.QuadPart);
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) / frequency;
}

struct TFigures {
    double Fastest = 0, Median = 0;
};

TFigures Summary(std::vector<double> times) {
    std::sort(times.begin(), times.end());
    return {times.front(), times[times.size() / 2]};
}

// The two actions take turns, so a cache warming up or a busy moment of the
// machine falls on both alike.
std::pair<TFigures, TFigures> MeasurePair(int rounds, const std::function<void()>& first,
                                          const std::function<void()>& second) {
    first();  // warm the file system cache
    second();
    std::vector<double> a, b;
    for (int i = 0; i < rounds; ++i) {
        double start = Seconds();
        first();
        a.push_back(Seconds() - start);
        start = Seconds();
        second();
        b.push_back(Seconds() - start);
    }
    return {Summary(a), Summary(b)};
}

std::wstring Wide(const std::string& ascii) { return std::wstring(ascii.begin(), ascii.end()); }

size_t ListFolder(const std::string& folder) {
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW(Wide(folder + "\\*.*").c_str(), &data);
    size_t count = 0;
    if (find == INVALID_HANDLE_VALUE) return 0;
    do ++count;
    while (FindNextFileW(find, &data));
    FindClose(find);
    return count;
}

void OpenFolderWalk(const std::string& folder) {
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW(Wide(folder + "\\*.*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) FindClose(find);
}

UINT BuildMenu(const std::string& folder) {
    TComPtr<TlumShellMenu> handler(new TlumShellMenu);
    handler->AddRef();
    auto data = test::HDropDataObject({folder});
    if (handler->Initialize(nullptr, data.get(), nullptr) != S_OK) return 0;
    HMENU menu = CreatePopupMenu();
    const HRESULT hr = handler->QueryContextMenu(menu, 0, 1, 100, CMF_NORMAL);
    DestroyMenu(menu);
    return HRESULT_CODE(hr);
}

// Small files: a third images of several kinds, the rest other files; every
// shortcutEvery-th file (0: none) is a shortcut to one of the images.
void Fill(const std::string& folder, int files, int shortcutEvery) {
    CreateDirectoryA(folder.c_str(), nullptr);
    const char* const kinds[] = {".jpg", ".txt", ".png", ".dat", ".doc", ".gif", ".htm", ".tif", ".xml"};
    for (int i = 0; i < files; ++i) {
        const std::string base = folder + "\\file" + std::to_string(i);
        if (shortcutEvery && i % shortcutEvery == 0)
            test::MakeShortcut(base + ".lnk", folder + "\\file1.txt");
        else
            test::TouchFile(base + kinds[i % 9], "0123456789abcdef");
    }
}


// The bench folders hold only files.
void RemoveFolder(const std::string& folder) {
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do
            if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) DeleteFileA((folder + "\\" + data.cFileName).c_str());
        while (FindNextFileA(find, &data));
        FindClose(find);
    }
    RemoveDirectoryA(folder.c_str());
}

void PrintLine(const char* what, const TFigures& figures) {
    std::printf("  %-20s: fastest %8.2f ms, median %8.2f ms\n", what, figures.Fastest * 1e3, figures.Median * 1e3);
}

void PrintRatio(const char* what, const TFigures& part, const TFigures& whole) {
    std::printf("  %-20s: fastest %8.2fx,   median %8.2fx\n", what, part.Fastest / whole.Fastest,
                part.Median / whole.Median);
}

void Report(const char* what, const std::string& folder, int rounds, bool withFloor = false) {
    const size_t entries = ListFolder(folder);
    const UINT items = BuildMenu(folder);
    const auto [list, menu] = MeasurePair(rounds, [&] { ListFolder(folder); }, [&] { BuildMenu(folder); });
    std::printf("%s: %zu entries, %u menu items\n", what, entries, items);
    PrintLine("FindFirstFileW walk", list);
    PrintLine("QueryContextMenu", menu);
    PrintRatio("ratio", menu, list);
    if (withFloor) {
        const auto [open, walk] = MeasurePair(rounds, [&] { OpenFolderWalk(folder); }, [&] { ListFolder(folder); });
        PrintLine("FindFirstFileW alone", open);
        PrintRatio("floor ratio", open, walk);
    }
}

} // namespace

int main(int argc, char** argv) {
    try {
        const int files = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10000;
        const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 15;
        const std::string photos = argc > 3 ? argv[3] : "";
        test::TComApartment apartment;
        InitPlatformFlags();

        TlumShellMenuItemList items;
        for (int i = 0; i < 6; ++i) items.Add(i == 0 || i == 5 ? "" : "Item", "Hint", nullptr, nullptr, false,
                                              i == 0 || i == 5, false);
        MenuItems = &items;

        char temp[MAX_PATH + 1] = {};
        GetTempPathA(MAX_PATH, temp);
        const std::string root = std::string(temp) + "ovs-bench-" + std::to_string(GetCurrentProcessId());
        CreateDirectoryA(root.c_str(), nullptr);
        const std::string plain = root + "\\plain";
        const std::string linked = root + "\\shortcuts";
        std::printf("Creating %d files twice under %s ...\n", files, root.c_str());
        Fill(plain, files, 0);
        Fill(linked, files, 50);

        Report("Without shortcuts", plain, rounds);
        Report("With a shortcut every 50 files", linked, rounds);
        RemoveFolder(plain);
        RemoveFolder(linked);
        if (!photos.empty()) Report("A folder of photos", photos, rounds, true);

        MenuItems = nullptr;
        RemoveDirectoryA(root.c_str());
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "menu_bench: %s\n", e.what());
        return 1;
    }
}
