// Not a test: prints the time of re-counting one day of four-station raw data
// (four folders of 1,920 records, 384 channels of 500 samples each) on one
// worker and on the default number of workers, and of reading the files alone;
// then the whole re-analysis with "Replace old data", and with "Export Raw"
// as well (every channel's event flag lines, 1.5 GB for the day).
// Usage: raw_recount_benchmark [records per folder] [folder for the data]
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "RawFixture.h"
#include "TempFolder.h"
#include "acquisition/RunDataFiles.h"
#include "platform/ProgramFolder.h"
#include "reports/RawReanalysis.h"
#include "reports/RawRecount.h"

using namespace vondrel::reports;

namespace {

double Seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

long PeakMegabytes() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss / 1024;
}

}  // namespace

int main(int argc, char** argv) {
    const int records = argc > 1 ? std::atoi(argv[1]) : 1920;
    const std::string base = argc > 2 ? argv[2] : (std::filesystem::temp_directory_path() / "raw_recount_bench").string();
    constexpr int kFolders = 4;
    std::filesystem::remove_all(base);
    std::vector<std::string> folders;
    // A few different blocks, repeated: the counting does the same work on each.
    std::vector<std::vector<int16_t>> blocks;
    for (int v = 0; v < 7; ++v)
        blocks.push_back(testing::MakeRawBlock(500, [v](int ch) { return testing::FixtureDips(v, ch); },
                                               static_cast<uint32_t>(v)));
    auto t = std::chrono::steady_clock::now();
    for (int f = 0; f < kFolders; ++f) {
        folders.push_back(base + "/station" + std::to_string(f + 1));
        std::filesystem::create_directories(folders.back());
        for (int r = 0; r < records; ++r) testing::AppendRawBlock(folders.back(), r, blocks[static_cast<size_t>(r % 7)]);
    }
    const double samples = double(kFolders) * records * 384 * 500;
    std::printf("generated %d folders x %d records (%.2f G samples, %.2f GB) in %.1f s\n", kFolders, records,
                samples / 1e9, double(kFolders) * records * static_cast<double>(RecountBlockBytes(500)) / 1e9, Seconds(t));

    // Reading alone, one file after the other (page cache warm after writing).
    t = std::chrono::steady_clock::now();
    std::vector<char> buf(RecountBlockBytes(500) * 11);
    size_t total = 0;
    for (const auto& folder : folders)
        for (int file = 0; file * 11 < records; ++file) {
            std::FILE* in = std::fopen((folder + "/" + std::to_string(file) + ".bin").c_str(), "rb");
            if (!in) continue;
            total += std::fread(buf.data(), 1, buf.size(), in);
            std::fclose(in);
        }
    std::printf("reading alone:            %6.2f s (%.2f GB)\n", Seconds(t), static_cast<double>(total) / 1e9);

    std::vector<uint8_t> channels(384, 1);
    std::vector<int16_t> counts(static_cast<size_t>(records) * 384);
    for (int workers : {1, 4, DefaultRecountWorkers()}) {
        t = std::chrono::steady_clock::now();
        int analysed = 0;
        for (const auto& folder : folders) {
            RawRecountJob job;
            job.folder = folder;
            job.records = records;
            job.channels = channels;
            job.threshold = 1.8;
            job.method = 1;
            job.workers = workers;
            analysed += RecountRawFiles(job, counts).analysed;
        }
        const double s = Seconds(t);
        std::printf("re-count, %d worker(s):    %6.2f s  %6.1f M samples/s  (%d records)\n", workers, s,
                    samples / s / 1e6, analysed);
    }
    // The whole "RUN" with "Replace old data": counts.bin, setup.dat, the plate, the report.
    vondrel::testing::TempFolder program;
    vondrel::platform::SetProgramFolderForTest(program.Path());
    std::string plate = "\"Plate\",\"w96\"\r\n8,9,0,12,9,0\r\n\"Channels\"\r\n";
    for (int ch = 0; ch < 384; ++ch) plate += "\"L\"," + std::to_string(ch / 4) + "," + std::to_string(ch % 4) + "\r\n";
    program.Write("w96.dat", plate);
    std::string groups = "\"G\"\r\n0,\"All\"\r\n", chgroup = "\"C\"\r\n";
    for (int ch = 0; ch < 384; ++ch) chgroup += std::to_string(ch) + ",0\r\n";
    const std::string setup =
        "\"P\"\r\n\"n\",\"x\",\"y\",\"w96\"\r\n\"V\"\r\n0,0,0,500,1,0\r\n\"a\"\r\n1\r\n\"b\"\r\n1\r\n\"c\"\r\n0,0,0,18,0,0\r\n";
    std::string countsFile;
    vondrel::ChannelTable16 table{};
    table[384] = 250;
    for (int r = 0; r < records; ++r) {
        const auto rec = vondrel::BuildCountsRecord(r * 3 / 4, table);
        countsFile.append(reinterpret_cast<const char*>(rec.data()), rec.size());
    }
    auto writeFile = [](const std::string& path, const std::string& bytes) {
        std::FILE* f = std::fopen(path.c_str(), "wb");
        if (!f) return;
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
    };
    for (const auto& folder : folders) {
        writeFile(folder + "/groups.dat", groups);
        writeFile(folder + "/chgroup.dat", chgroup);
    }
    struct Run {
        int workers;
        bool exportRaw;
    };
    for (const Run run : {Run{1, false}, Run{DefaultRecountWorkers(), false}, Run{4, false}, Run{4, true}}) {
        const int workers = run.workers;
        for (const auto& folder : folders) {
            writeFile(folder + "/counts.bin", countsFile);
            writeFile(folder + "/setup.dat", setup);
        }
        t = std::chrono::steady_clock::now();
        int reported = 0;
        for (const auto& folder : folders) {
            ReportData data;
            ReanalysisControls c;
            c.report.inputFolder = folder;
            c.report.binText = "30";
            c.report.autoReport = true;
            c.replace = true;
            c.method = 1;
            c.exportRaw = run.exportRaw;
            ReanalysisHooks hooks;
            hooks.workers = workers;
            if (RunRawReanalysis(data, c, hooks) == ReanalysisEnd::Reported) ++reported;
        }
        std::printf("RUN with Replace%s, %d worker(s): %6.2f s  (%d of %d folders reported)\n",
                    run.exportRaw ? " and Export Raw" : "", workers, Seconds(t), reported, kFolders);
    }
    vondrel::platform::SetProgramFolderForTest("");

    std::printf("peak memory: %ld MB (count table %.1f MB)\n", PeakMegabytes(),
                static_cast<double>(counts.size()) * 2 / 1e6);
    std::filesystem::remove_all(base);
    return 0;
}
