// What a caption lookup and a full read cost per corpus file, beside the I/O
// floor: open, read of the first 64 KiB, close of the same files. Each
// benchmark iteration walks the whole corpus; "per_file" is the time of one
// file. Then the cost of crafted files built to be as costly as their size
// allows, at 8 KiB and 64 KiB: a read stays in milliseconds and grows with
// the size, not faster. A summary of the ratios closes the run.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <unistd.h>

#include "Caption.h"
#include "JpegScanner.h"
#include "support/CostlyExif.h"

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
            if (ovs::HasExtension(p, ".jpg")) f.push_back(p);
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

// As the caption item looks up: a reader state of its own for each lookup,
// so that no lookup waits for another's file.
void BM_GetImageCaption_OwnState(benchmark::State& state) {
    const auto& files = JpgFiles();
    for (auto _ : state)
        for (const auto& path : files) {
            const auto s = std::make_unique<ovs::TReaderState>();
            benchmark::DoNotOptimize(ovs::LookUpImageCaption(*s, path));
        }
    PerFile(state, files.size());
}
BENCHMARK(BM_GetImageCaption_OwnState);

void BM_GetImageCaptionByFullRead(benchmark::State& state) {
    const auto& files = JpgFiles();
    auto s = std::make_unique<ovs::TReaderState>();
    for (auto _ : state)
        for (const auto& path : files) benchmark::DoNotOptimize(ovs::GetImageCaptionByFullRead(*s, path));
    PerFile(state, files.size());
}
BENCHMARK(BM_GetImageCaptionByFullRead);

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

// The crafted files live in a folder of their own for the run.
class TCostlyFiles {
public:
    TCostlyFiles() : dir_(std::filesystem::temp_directory_path() / ("ovs-bench-" + std::to_string(::getpid()))) {
        std::filesystem::create_directories(dir_);
    }
    ~TCostlyFiles() {
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
    const std::string& Path(ovs::test::TCostlyKind kind, size_t size) {
        const std::string name = std::string(ovs::test::CostlyKindName(kind)) + std::to_string(size) + ".jpg";
        auto& path = paths_[name];
        if (path.empty()) {
            path = (dir_ / name).string();
            std::ofstream(path, std::ios::binary) << ovs::test::CostlyJpeg(kind, size);
        }
        return path;
    }

private:
    std::filesystem::path dir_;
    std::map<std::string, std::string> paths_;
};

TCostlyFiles& CostlyFiles() {
    static TCostlyFiles files;
    return files;
}

constexpr int64_t SmallCostly = 8 * 1024;
constexpr int64_t LargeCostly = 64 * 1024;

void BM_CostlyRead(benchmark::State& state) {
    const auto kind = static_cast<ovs::test::TCostlyKind>(state.range(0));
    const std::string& path = CostlyFiles().Path(kind, static_cast<size_t>(state.range(1)));
    auto s = std::make_unique<ovs::TReaderState>();
    for (auto _ : state) {
        ovs::ReadImageFile(*s, path);
        benchmark::DoNotOptimize(s->ImageInfo.TagList.data());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(std::filesystem::file_size(path)));
    state.SetLabel(ovs::test::CostlyKindName(kind));
}
BENCHMARK(BM_CostlyRead)
    ->ArgNames({"kind", "bytes"})
    ->ArgsProduct({{0, 1, 2}, {SmallCostly, LargeCostly}})
    ->Unit(benchmark::kMillisecond);

// Prints the runs as usual and keeps their times for the summary.
class TSummaryReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& r : runs)
            if (r.run_type == Run::RT_Iteration) {
                times_[r.benchmark_name()] = r.GetAdjustedRealTime();
                cpuTimes_[r.benchmark_name()] = r.GetAdjustedCPUTime();
            }
        ConsoleReporter::ReportRuns(runs);
    }

    void PrintSummary() const {
        std::printf("\nSummary\n");
        Ratio(times_, "caption lookup / I/O floor, real time (goal <= 1.5x)", "BM_GetImageCaption", "BM_IoFloor");
        Ratio(times_, "caption lookup with its own state / I/O floor, real time", "BM_GetImageCaption_OwnState",
              "BM_IoFloor");
        std::printf("  own state per lookup: %zu bytes and a %zu-byte file buffer\n", sizeof(ovs::TReaderState),
                    ovs::TBufferedFile::BufferSize);
        Ratio(times_, "caption by full read / I/O floor, real time", "BM_GetImageCaptionByFullRead", "BM_IoFloor");
        for (int kind = 0; kind < 3; ++kind) {
            const std::string base = "BM_CostlyRead/kind:" + std::to_string(kind) + "/bytes:";
            const auto large = times_.find(base + std::to_string(LargeCostly));
            if (large != times_.end())
                std::printf("  %-26s 64 KiB read in %.2f ms\n",
                            ovs::test::CostlyKindName(static_cast<ovs::test::TCostlyKind>(kind)), large->second);
            // Processor time: the reading is all computation, and the machine
            // may be busy with other work.
            Ratio(cpuTimes_, "    64 KiB / 8 KiB CPU time (8x the size; linear is about 8x)",
                  base + std::to_string(LargeCostly), base + std::to_string(SmallCostly));
        }
    }

private:
    static void Ratio(const std::map<std::string, double>& times, const char* what, const std::string& a,
                      const std::string& b) {
        const auto x = times.find(a), y = times.find(b);
        if (x != times.end() && y != times.end() && y->second > 0)
            std::printf("  %s: %.2fx\n", what, x->second / y->second);
    }

    std::map<std::string, double> times_, cpuTimes_;
};

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    TSummaryReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintSummary();
    benchmark::Shutdown();
    return 0;
}
