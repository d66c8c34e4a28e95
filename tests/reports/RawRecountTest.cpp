#include "reports/RawRecount.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>

#include "RawFixture.h"
#include "TempFolder.h"
#include "detection/EventCounter.h"

namespace vondrel::reports {
namespace {

using testing::AppendRawBlock;
using testing::FixtureDips;
using testing::MakeRawBlock;
using vondrel::testing::TempFolder;

constexpr int kRecords = 14;  // 0.bin full, 1.bin with three blocks

struct RawFolder {
    TempFolder dir;
    std::vector<std::vector<int16_t>> blocks;  // as written, before any counting
    explicit RawFolder(int windowLength = 500, int records = kRecords) {
        for (int r = 0; r < records; ++r) {
            blocks.push_back(MakeRawBlock(windowLength, [r](int ch) { return FixtureDips(r, ch); },
                                          static_cast<uint32_t>(r)));
            AppendRawBlock(dir.Path(), r, blocks.back());
        }
    }
    // The counts CountEvents gives each channel of a record's block.
    std::vector<int16_t> Reference(int record, double threshold, int16_t method) const {
        auto copy = blocks[static_cast<size_t>(record)];
        SampleWindow w(copy, 385);
        std::vector<int16_t> out(384);
        for (int ch = 0; ch < 384; ++ch) out[static_cast<size_t>(ch)] = CountEvents(w, static_cast<int16_t>(ch), threshold, method, 0, "", 0);
        return out;
    }
};

std::vector<uint8_t> AllChannels() { return std::vector<uint8_t>(384, 1); }

TEST(RawRecount, EachRecordCountsItsOwnBlockWithOneOrFourWorkers) {
    RawFolder raw;
    const auto channels = AllChannels();
    std::vector<std::vector<int16_t>> results;
    for (int workers : {1, 4}) {
        RawRecountJob job;
        job.folder = raw.dir.Path();
        job.records = kRecords;
        job.channels = channels;
        job.threshold = 1.8;
        job.method = 1;
        job.workers = workers;
        std::vector<int16_t> counts(kRecords * 384, -7);
        std::vector<int> seen;
        const auto r = RecountRawFiles(job, counts, [&](int k) {
            if (seen.empty() || seen.back() != k) seen.push_back(k);
            return true;
        });
        EXPECT_EQ(r.analysed, kRecords);
        EXPECT_FALSE(r.stopped);
        EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
        EXPECT_EQ(seen.back(), kRecords);
        results.push_back(counts);
    }
    EXPECT_EQ(results[0], results[1]);
    // Record 10 is block 10 of 0.bin, record 11 block 0 of 1.bin; the blocks'
    // counts differ, so a block from the wrong place shows.
    std::set<std::vector<int16_t>> distinct;
    for (int rec = 0; rec < kRecords; ++rec) {
        const auto ref = raw.Reference(rec, 1.8, 1);
        distinct.insert(ref);
        EXPECT_EQ(std::vector<int16_t>(results[0].begin() + rec * 384, results[0].begin() + (rec + 1) * 384), ref)
            << "record " << rec;
    }
    EXPECT_GE(distinct.size(), 10u);
    EXPECT_GT(raw.Reference(13, 1.8, 1)[3], 0);
}

TEST(RawRecount, UnselectedChannelsAndSkippedRecordsGetZeros) {
    RawFolder raw(501, 12);
    std::vector<uint8_t> channels(384, 0);
    channels[5] = channels[200] = 1;
    std::vector<uint8_t> counted(12, 1);
    counted[4] = 0;
    RawRecountJob job;
    job.folder = raw.dir.Path();
    job.windowLength = 501;
    job.records = 12;
    job.channels = channels;
    job.recordsCounted = counted;
    job.workers = 3;
    std::vector<int16_t> counts(12 * 384, 9);
    EXPECT_EQ(RecountRawFiles(job, counts).analysed, 12);
    for (int rec = 0; rec < 12; ++rec) {
        const auto ref = raw.Reference(rec, 1.8, 1);
        for (int ch = 0; ch < 384; ++ch) {
            const int16_t want = (rec != 4 && (ch == 5 || ch == 200)) ? ref[static_cast<size_t>(ch)] : 0;
            ASSERT_EQ(counts[static_cast<size_t>(rec * 384 + ch)], want) << rec << " " << ch;
        }
    }
}

TEST(RawRecount, FirstMissingOrShortBlockEndsTheRecords) {
    struct Case {
        const char* what;
        std::function<void(const std::string&)> damage;
        int analysed;
    };
    const std::vector<Case> cases = {
        {"1.bin missing", [](const std::string& d) { std::filesystem::remove(d + "/1.bin"); }, 11},
        {"1.bin cut inside its second block",
         [](const std::string& d) { std::filesystem::resize_file(d + "/1.bin", 385 * 501 * 2 + 100); }, 12},
        {"0.bin missing, 1.bin whole", [](const std::string& d) { std::filesystem::remove(d + "/0.bin"); }, 0},
    };
    for (const auto& c : cases) {
        for (int workers : {1, 4}) {
            RawFolder raw;
            c.damage(raw.dir.Path());
            const auto channels = AllChannels();
            RawRecountJob job;
            job.folder = raw.dir.Path();
            job.records = kRecords;
            job.channels = channels;
            job.workers = workers;
            std::vector<int16_t> counts(kRecords * 384, -1);
            const auto r = RecountRawFiles(job, counts);
            EXPECT_EQ(r.analysed, c.analysed) << c.what << " workers " << workers;
            for (int rec = 0; rec < r.analysed; ++rec)
                EXPECT_EQ(counts[static_cast<size_t>(rec * 384 + 3)], raw.Reference(rec, 1.8, 1)[3]) << c.what;
            EXPECT_FALSE(std::filesystem::exists(raw.dir.Path() + "/0.bin") && c.analysed == 0) << "never created";
        }
    }
}

TEST(RawRecount, StopEndsTheRunEarly) {
    RawFolder raw;
    const auto channels = AllChannels();
    RawRecountJob job;
    job.folder = raw.dir.Path();
    job.records = kRecords;
    job.channels = channels;
    job.workers = 1;
    std::vector<int16_t> counts(kRecords * 384, 0);
    const auto r = RecountRawFiles(job, counts, [](int k) { return k < 2; });
    EXPECT_TRUE(r.stopped);
    EXPECT_LT(r.analysed, kRecords);
}

// The export's files, byte for byte, against CountEvents exporting each
// counted channel of each counted record in record order: over several
// stretches of files (one and four workers), with records not counted (no
// line), a stop asked for within a stretch (lines through that record only)
// and records asked for beyond the stored files (lines through the last one).
TEST(RawRecount, ExportWritesTheSingleChannelCountersLinesInRecordOrder) {
    constexpr int kStored = 47;  // five files, the last with two blocks
    RawFolder raw(500, kStored);
    std::vector<uint8_t> channels(384, 0);
    for (int ch : {0, 7, 8, 200, 383}) channels[static_cast<size_t>(ch)] = 1;
    std::vector<uint8_t> recordsCounted(kStored + 3, 1);
    recordsCounted[3] = recordsCounted[30] = 0;
    std::vector<int32_t> tags(kStored + 3);
    for (int i = 0; i < kStored + 3; ++i) tags[static_cast<size_t>(i)] = 100 + 3 * i - 20 * (i == 12);
    struct Case {
        const char* name;
        int workers, records, stopAt, analysed;
    };
    const Case cases[] = {
        {"one worker", 1, kStored, 0, kStored},
        {"four workers", 4, kStored, 0, kStored},
        {"stopped at record 25", 4, kStored, 25, 25},
        {"beyond the stored files", 2, kStored + 3, 0, kStored},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        for (int16_t method = 0; method <= 3; ++method) {
            SCOPED_TRACE(method);
            TempFolder want, out;
            std::vector<int16_t> wantCounts(static_cast<size_t>(k.records) * 384, 0);
            for (int rec = 0; rec < k.analysed; ++rec) {
                if (!recordsCounted[static_cast<size_t>(rec)]) continue;
                auto copy = raw.blocks[static_cast<size_t>(rec)];
                SampleWindow w(copy, 385);
                for (int ch = 0; ch < 384; ++ch)
                    if (channels[static_cast<size_t>(ch)])
                        wantCounts[static_cast<size_t>(rec) * 384 + ch] =
                            CountEvents(w, static_cast<int16_t>(ch), 2.5, method, 1, want.Path(), tags[static_cast<size_t>(rec)]);
            }
            RawRecountJob job;
            job.folder = raw.dir.Path();
            job.records = k.records;
            job.channels = channels;
            job.recordsCounted = recordsCounted;
            job.threshold = 2.5;
            job.method = method;
            job.workers = k.workers;
            job.exportFolder = out.Path();
            job.exportTags = tags;
            std::vector<int16_t> counts(static_cast<size_t>(k.records) * 384, 0);
            int last = 0;
            const auto r = RecountRawFiles(job, counts, [&](int done) {
                EXPECT_EQ(done, last + 1) << "one call per record, in order";
                last = done;
                return done != k.stopAt;
            });
            EXPECT_EQ(r.analysed, k.analysed);
            EXPECT_EQ(r.stopped, k.stopAt != 0);
            EXPECT_EQ(std::vector<int16_t>(counts.begin(), counts.begin() + k.analysed * 384),
                      std::vector<int16_t>(wantCounts.begin(), wantCounts.begin() + k.analysed * 384));
            for (int ch = 0; ch < 384; ++ch) {
                const std::string name = "ch" + std::to_string(ch) + ".raw";
                ASSERT_EQ(out.Exists(name), channels[static_cast<size_t>(ch)] != 0) << name;
                if (channels[static_cast<size_t>(ch)]) {
                    ASSERT_EQ(out.Read(name), want.Read(name)) << name;
                }
            }
        }
    }
    // The lines carry events, and differ between blocks.
    TempFolder dir;
    auto copy = raw.blocks[13];
    EXPECT_GT(CountEvents(SampleWindow(copy, 385), 7, 2.5, 1, 1, dir.Path(), 0), 0);
}

TEST(RawRecount, ExportFailureIsRaised) {
    RawFolder raw(500, 3);
    std::vector<uint8_t> channels(384, 1);
    std::vector<int32_t> tags(3, 1);
    RawRecountJob job;
    job.folder = raw.dir.Path();
    job.records = 3;
    job.channels = channels;
    job.exportFolder = raw.dir.Path() + "/missing";
    job.exportTags = tags;
    std::vector<int16_t> counts(3 * 384, 0);
    EXPECT_THROW(RecountRawFiles(job, counts), EventFileError);
}

TEST(RawRecount, WindowLengthOutsideTheStoredRangeIsRefused) {
    for (int len : {499, 503, 0}) {
        try {
            RecountBlockBytes(len);
            ADD_FAILURE() << len;
        } catch (const std::invalid_argument& e) {
            EXPECT_STREQ(e.what(), "Raw data analysis needs windows of 500 to 502 samples");
        }
    }
    EXPECT_EQ(RecountBlockBytes(500), 385770u);
}

}  // namespace
}  // namespace vondrel::reports
