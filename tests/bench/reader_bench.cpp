// What a caption lookup and a full read cost per corpus file, beside the I/O
// floor: open, read of the first 64 KiB, close of the same files. Each
// benchmark iteration walks the whole corpus; "per_file" is the time of one
// file.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "Caption.h"
#include "JpegScanner.h"

namespace {

const std::vector<std::string>& CorpusFiles() {
    static const std::vector<std::string> files = [] {
        std::vector<std::string> f;
        for (const auto& e : std::filesystem::directory_iterator(OVS_CORPUS_DIR))
            if (e.path().filename() != "README.md") f.push_back(e.path().string());
        std::sort(f.begin(), f.end());
        return f;
    }();
    return files;
}

// Only the files a caption lookup reads (".jpg" in any case); the others
// would make the lookup look cheaper than the floor.
const std::vector<std::string>& JpgFiles() {
    static const std::vector<std::string> files = [] {
        std::vector<std::string> f;
        for (const auto& p : CorpusFiles())
            if (ovs::LowerCaseExtension(p) == ".jpg") f.push_back(p);
        return f;
    }();
    return files;
}

void PerFile(benchmark::State& state, size_t files) {
    state.counters["per_file"] = benchmark::Counter(static_cast<double>(files),
                                                    benchmark::Counter::kIsIterationInvariantRate |
                                                        benchmark::Counter::kInvert);
    state.counters["files"] = static_cast<double>(files);
}

void BM_IoFloor(benchmark::State& state) {
    const auto& files = JpgFiles();
    std::vector<char> buffer(64 * 1024);
    for (auto _ : state) {
        for (const auto& path : files) {
            std::FILE* f = std::fopen(path.c_str(), "rb");
            if (!f) continue;
            std::setvbuf(f, nullptr, _IONBF, 0);
            benchmark::DoNotOptimize(std::fread(buffer.data(), 1, buffer.size(), f));
            std::fclose(f);
        }
    }
    PerFile(state, files.size());
}
BENCHMARK(BM_IoFloor);

// The directory look-ups of a read (date and size), to show their share.
void BM_SetFileInfo(benchmark::State& state) {
    const auto& files = JpgFiles();
    auto s = std::make_unique<ovs::TReaderState>();
    for (auto _ : state)
        for (const auto& path : files) benchmark::DoNotOptimize(ovs::SetFileInfo(*s, path));
    PerFile(state, files.size());
}
BENCHMARK(BM_SetFileInfo);

void BM_GetImageCaption(benchmark::State& state) {
    const auto& files = JpgFiles();
    auto s = std::make_unique<ovs::TReaderState>();
    for (auto _ : state)
        for (const auto& path : files) benchmark::DoNotOptimize(ovs::GetImageCaption(*s, path));
    PerFile(state, files.size());
}
BENCHMARK(BM_GetImageCaption);

void BM_ReadImageFile_Jpg(benchmark::State& state) {
    const auto& files = JpgFiles();
    auto s = std::make_unique<ovs::TReaderState>();
    for (auto _ : state)
        for (const auto& path : files) {
            ovs::ReadImageFile(*s, path);
            benchmark::DoNotOptimize(s->SectionCount);
        }
    PerFile(state, files.size());
}
BENCHMARK(BM_ReadImageFile_Jpg);

void BM_ReadImageFile_AllFiles(benchmark::State& state) {
    const auto& files = CorpusFiles();
    auto s = std::make_unique<ovs::TReaderState>();
    for (auto _ : state)
        for (const auto& path : files) {
            ovs::ReadImageFile(*s, path);
            benchmark::DoNotOptimize(s->SectionCount);
        }
    PerFile(state, files.size());
}
BENCHMARK(BM_ReadImageFile_AllFiles);

} // namespace

BENCHMARK_MAIN();
