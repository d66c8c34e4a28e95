// Speed of the list and the search on a generated program folder:
//   ListProjects: 50 projects, one open with 1,500 tagged recordings.
//   Search: two terms over 10,000 recordings.
#include <benchmark/benchmark.h>

#include "TempFolder.h"
#include "browser/BrowserList.h"
#include "store/RunFiles.h"

namespace {

using vondrel::testing::TempFolder;

void MakeProject(const TempFolder& home, int number, int recordings, bool tags) {
    char folder[16];
    std::snprintf(folder, sizeof folder, "p%05d", number);
    std::string setup = "\"h\"\r\n" + std::to_string(number) + ",\"Project " + std::to_string(number) + "\",\"x\",\"w96f\"\r\n";
    for (int i = 3; i <= 20; ++i) setup += "1,2,3,4,5,6\r\n";
    home.Write(std::string(folder) + "/setup.dat", setup);
    std::string tagText;
    for (int r = 0; r < recordings; ++r) {
        char name[32];
        std::snprintf(name, sizeof name, "2024%02d%02d_%02d%02d", 1 + r / 1000 % 12, 1 + r / 40 % 28, r / 60 % 24, r % 60);
        std::string run = std::string(folder) + "/" + name;
        home.Write(run + "/counts.bin", "");
        vondrel::WriteSubprojectFile(home / run, "zebrafish run " + std::to_string(r), "");
        if (tags) tagText += std::string(name) + " [K1]\r\n";
    }
    if (tags) home.Write(std::string(folder) + "/tags_id.dat", tagText);
}

void BM_ListProjects(benchmark::State& state) {
    TempFolder home;
    for (int p = 1; p <= 50; ++p) MakeProject(home, p, p == 7 ? 1500 : 3, p == 7);
    vondrel::browser::ListState list;
    list.expanded = {"p00007"};
    for (auto _ : state) benchmark::DoNotOptimize(vondrel::browser::BuildProjectList(home.Path(), list));
}
BENCHMARK(BM_ListProjects)->Unit(benchmark::kMillisecond);

void BM_SearchTwoTerms(benchmark::State& state) {
    TempFolder home;
    for (int p = 1; p <= 20; ++p) MakeProject(home, p, 500, false);
    auto lines = vondrel::browser::BuildProjectList(home.Path(), {});
    auto terms = vondrel::browser::SearchTerms("zebrafish 499");
    for (auto _ : state) benchmark::DoNotOptimize(vondrel::browser::SearchHits(home.Path(), lines, terms));
}
BENCHMARK(BM_SearchTwoTerms)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
