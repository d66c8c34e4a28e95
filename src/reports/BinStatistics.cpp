// The percent-of-basal step and the statistics of the report bins.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>

#include "platform/Dialogs.h"
#include "platform/Files.h"
#include "platform/Numbers.h"
#include "reports/ReportSteps.h"

namespace vondrel::reports {
namespace {

// The channels of a well: its (well, beam) entries that name one.
std::vector<int> WellChannels(const ReportData& d, int well) {
    std::vector<int> out;
    for (int beam = 0; beam <= d.m_report_max_beam; ++beam) {
        const int ch = d.WellBeamChannel(well, beam);
        if (ch >= 0) out.push_back(ch);
    }
    return out;
}

bool TakesPart(const ReportData& d, int ch) {
    return d.m_report_channel_well[ch] >= 0 && d.m_report_channel_group[ch] >= 0;
}

// The basal acquisition's folder: the sibling named by the stamp and this
// acquisition's own station suffix, else the one named by the bare stamp.
std::string BasalFolder(const std::string& folder, const std::string& stamp) {
    const size_t slash = folder.find_last_of('/');
    const std::string parent = slash == std::string::npos ? std::string(".") : folder.substr(0, slash);
    const std::string own = slash == std::string::npos ? folder : folder.substr(slash + 1);
    const std::string suffix = own.size() > 13 ? own.substr(13) : std::string();
    const std::string withStation = platform::JoinPath(parent, stamp + suffix);
    if (!suffix.empty() && platform::FolderExists(withStation)) return withStation;
    return platform::JoinPath(parent, stamp);
}

int32_t AnswerMinutes(const std::string& answer) {
    std::string t = answer;
    std::replace(t.begin(), t.end(), ',', '.');
    return ToInt32(Val(t));
}

enum class ZeroRule { Maximum, Average, Discard };

int32_t HighestGroup(const ReportData& d) {
    int32_t g = 0;
    for (int ch = 0; ch < kChannels; ++ch) g = std::max<int32_t>(g, d.m_report_channel_group[ch]);
    return g;
}

// The bin number of each record in turn: e rises in steps of B up to the minute.
struct BinWalker {
    int64_t e;
    int16_t B;
    explicit BinWalker(int16_t b) : e(b), B(b) {}
    int64_t Next(double minute) {
        while (static_cast<double>(e) < minute) e += B;
        return e / B;
    }
};

}  // namespace

void ApplyBasal(const std::string& folder, const std::string& basalChoice, int32_t c, int16_t B, ReportData& d) {
    platform::MsgBox("Using Groups Selected in Experiment: " +
                         (folder.size() > 20 ? folder.substr(folder.size() - 20) : folder),
                     "<BASAL CALCULATION>");
    const std::string basalFolder = BasalFolder(folder, basalChoice.substr(0, 13));
    const auto nr = LoadActivityRecords(platform::JoinPath(basalFolder, "counts.bin"), d.m_basal);
    if (!nr) throw ReportStopped();
    int32_t D = LargestMinute(d.m_basal, *nr);
    const auto cb = ResampleToBins(D, *nr, B, d.m_basal);
    if (!cb) throw ReportStopped();
    if (*cb == -1) {
        platform::MsgBox("Resampling ERROR");
        throw ReportStopped();
    }
    D = LargestMinute(d.m_basal, *cb);

    int32_t X = B;
    if (B * 1.5 < D) {
        const std::string ask = "Basal acquisition is " + std::to_string(D) + "min long, and BinSize=" +
                                std::to_string(B) + "min. \r\n\r\n" +
                                "How many minutes do you want to use to calculate Basal Meassurement?";
        const std::string again = "Enter a value between " + std::to_string(B) + " and " + std::to_string(D);
        bool first = true;
        for (;;) {
            X = first ? AnswerMinutes(platform::InputBox(ask, "Basal Calculation", std::to_string(2 * B)))
                      : AnswerMinutes(platform::InputBox(again, "Basal Calculation", std::to_string(B)));
            if (X >= B && X <= D) break;
            first = !first;
        }
    }

    std::vector<int16_t> basal(385, 0);
    for (int ch = 0; ch < kChannels; ++ch) {
        int64_t sum = 0;
        for (int32_t k = 0; k <= *cb && d.m_basal.minutes[k] <= X; ++k) sum += d.m_basal.Count(k, ch);
        double v = static_cast<double>(sum);
        if (X > B) v = RoundHalfEven(v * B / X);
        basal[ch] = ToInt16(v);
    }

    // Every channel of a well carries the well's mean basal and mean counts.
    const int wells = d.m_report_max_well + 1;
    std::vector<double> wellBasal(wells, 0.0);
    for (int w = 0; w < wells; ++w) {
        const auto chans = WellChannels(d, w);
        if (chans.empty()) continue;
        const double n = static_cast<double>(chans.size());
        double b = 0;
        for (int ch : chans) b += basal[ch];
        wellBasal[w] = b / n;
        for (int32_t bin = 0; bin <= c; ++bin) {
            double s = 0;
            for (int ch : chans) s += d.m_record.Count(bin, ch);
            const int16_t mean = ToInt16(s / n);
            for (int ch : chans) d.m_record.Count(bin, ch) = mean;
        }
        const int16_t rounded = ToInt16(wellBasal[w]);
        for (int ch : chans) basal[ch] = rounded;
    }

    int zeroWells = 0;
    for (int w = 0; w < wells; ++w) {
        const int ch0 = d.WellBeamChannel(w, 0);
        if (wellBasal[w] == 0 && ch0 >= 0 && d.m_report_channel_group[ch0] >= 0) ++zeroWells;
    }
    ZeroRule rule = ZeroRule::Maximum;
    if (zeroWells > 0) {
        if (!platform::AskYesNo("You have " + std::to_string(zeroWells) +
                                " BASAL WELLS with 0 activity. Proceed anyway??"))
            throw ReportStopped();
        const auto reply = platform::Ask(
            "For ZERO Activity Basal Wells:\r\n[YES] to replace <BASAL Well> with <MAX Well Activity>\r\n"
            "[NO] to replace <BASAL Well> with <BASAL Microplate Average>\r\n[CANCEL] to DISCARD Well in "
            "Calculation\r\n\r\nTO BE APPLIED TO ALL 0 ACTIVITY BASAL WELLs",
            platform::Buttons::YesNoCancel);
        rule = reply == platform::Reply::Yes ? ZeroRule::Maximum
               : reply == platform::Reply::No ? ZeroRule::Average
                                               : ZeroRule::Discard;
    }

    int discarded = 0;
    for (int j = 0; j < kChannels; ++j) {
        if (!TakesPart(d, j)) continue;
        if (basal[j] < 1) {
            if (rule == ZeroRule::Maximum) {
                int16_t m = 0;
                for (int32_t bin = 0; bin <= c; ++bin) m = std::max(m, d.m_record.Count(bin, j));
                basal[j] = m;
            } else if (rule == ZeroRule::Average) {
                double s = 0;
                int n = 0;
                for (int ch = 0; ch < kChannels; ++ch)
                    if (TakesPart(d, ch)) s += basal[ch], ++n;
                basal[j] = n ? ToInt16(s / n) : int16_t{0};
            } else {
                basal[j] = -1;
                d.m_report_channel_group[j] = -1;
            }
        }
        if (basal[j] < 1) {
            d.m_report_channel_group[j] = -1;
            ++discarded;
            for (int32_t bin = 0; bin <= c; ++bin) d.m_record.Count(bin, j) = -999;
        } else {
            for (int32_t bin = 0; bin <= c; ++bin) {
                const double p = RoundHalfEven(d.m_record.Count(bin, j) * 100.0 / basal[j]);
                d.m_record.Count(bin, j) = ToInt16(std::min(p, 10000.0));
            }
        }
    }
    if (discarded > 0)
        platform::MsgBox("ERROR in " + std::to_string(discarded) +
                         " BASAL channels.\r\nChannels were discarded and transferred to Free Group");
}

bool ComputeBinStatistics(int32_t T, int32_t c, int16_t B, ReportLayout layout, const std::string& folder,
                          ReportData& d) {
    const RecordReplay held = [&d, c](const RecordVisit& visit) {
        for (int32_t r = 0; r <= c; ++r)
            visit(d.m_record.minutes[r], &d.m_record.counts[static_cast<size_t>(r) * kRecordWidth],
                  d.m_record.temperature[r]);
    };
    return ComputeBinStatistics(T, held, B, layout, folder, d);
}

bool ComputeBinStatistics(int32_t T, const RecordReplay& replay, int16_t B, ReportLayout layout,
                          const std::string& folder, ReportData& d) {
    try {
        if (B == 0) throw NumericError("Division by zero");
        int64_t nb = static_cast<int64_t>(RoundHalfEven(static_cast<double>(T) / B));
        if (nb == 0) nb = 1;
        // Bins are counted in 16 bits: nothing is allocated for more.
        if (nb > 32767 || nb < 0) throw NumericError("Overflow");
        const size_t bins = static_cast<size_t>(nb + 2);
        d.m_bin_temperature.assign(bins, 0);
        d.m_bin_sample_count.assign(bins, 0);
        d.m_bin_has_data.assign(bins, false);
        d.m_group_well_count.assign(385, 0);
        const int wells = d.m_report_max_well + 1;
        const int32_t G = HighestGroup(d);
        auto binOf = [&](size_t k) {
            if (k >= bins) throw NumericError("Subscript out of range");
            return k;
        };

        // Mean temperature of each bin, from readings between 1.0 and 50.0 degrees.
        {
            std::vector<int64_t> sum(bins, 0), count(bins, 0);
            BinWalker walk(B);
            replay([&](int32_t minute, const int16_t*, int16_t temperature) {
                const size_t k = binOf(static_cast<size_t>(walk.Next(minute)));
                const int t = temperature;
                if (t >= 10 && t <= 500) sum[k] += t, ++count[k];
            });
            for (size_t k = 0; k < bins; ++k)
                if (count[k] >= 1) d.m_bin_temperature[k] = ToInt32(static_cast<double>(sum[k]) / static_cast<double>(count[k]));
        }

        // Wells of each group, in well order.
        std::vector<std::vector<int>> groupWells(static_cast<size_t>(G) + 1);
        for (int w = 0; w < wells; ++w) {
            const int ch0 = d.WellBeamChannel(w, 0);
            if (ch0 < 0) continue;
            const int g = d.m_report_channel_group[ch0];
            if (g >= 0) groupWells[g].push_back(w);
        }
        std::vector<std::vector<int>> wellChannels(wells);
        for (int w = 0; w < wells; ++w) wellChannels[w] = WellChannels(d, w);

        if (layout != ReportLayout::Histogram) {
            // Group and well tables only as wide as the groups and wells
            // there are (readers take a column beyond the width as 0, as an
            // unused column always is); a plate beyond 385 keeps 385.
            const auto narrow = [](int32_t used) { return static_cast<size_t>(std::clamp(used, 1, 385)); };
            d.m_group_bin_mean.Assign(bins, narrow(G + 1));
            d.m_group_bin_sd.Assign(bins, narrow(G + 1));
            d.m_well_bin_value.Assign(bins, narrow(wells));
            d.m_channel_bin_sum.Assign(bins, 385);
            BinWalker walk(B);
            replay([&](int32_t minute, const int16_t* counts, int16_t) {
                const size_t k = binOf(static_cast<size_t>(walk.Next(minute)));
                for (int ch = 0; ch < kChannels; ++ch) {
                    int64_t v = static_cast<int64_t>(d.m_channel_bin_sum.At(k, ch)) + counts[ch];
                    d.m_channel_bin_sum.At(k, ch) = ToInt32(static_cast<double>(v));
                }
                d.m_bin_has_data[k] = true;
                d.m_bin_sample_count[k] += 1;
                for (int w = 0; w < wells; ++w) {
                    const auto& chans = wellChannels[w];
                    if (chans.empty()) continue;
                    double add;
                    if (d.m_report_max_beam == 0) {
                        add = counts[chans[0]];
                    } else {
                        double s = 0;
                        for (int ch : chans) s += counts[ch];
                        add = RoundHalfEven(s / static_cast<double>(chans.size()));
                    }
                    d.m_well_bin_value.At(k, w) = ToInt32(d.m_well_bin_value.At(k, w) + add);
                }
            });
            for (int32_t g = 0; g <= G; ++g) {
                const auto& list = groupWells[g];
                if (list.empty()) continue;
                const double n = static_cast<double>(list.size());
                d.m_group_well_count[g] = static_cast<int32_t>(list.size());
                for (int64_t k = 1; k <= nb; ++k) {
                    double s = 0;
                    for (int w : list) s += d.m_well_bin_value.At(k, w);
                    const int32_t mean = ToInt32(s / n);
                    d.m_group_bin_mean.At(k, g) = mean;
                    d.m_group_bin_sd.At(k, g) = 0;
                    if (list.size() > 1) {
                        double sq = 0;
                        for (int w : list) {
                            const double dev = static_cast<double>(d.m_well_bin_value.At(k, w)) - mean;
                            sq += dev * dev;
                        }
                        d.m_group_bin_sd.At(k, g) = ToInt32(std::sqrt(sq / (n - 1)));
                    }
                }
            }
            return true;
        }

        // Histogram output: peak-interval histograms of the histo*.bin files.
        d.m_channel_bin_histogram.Assign(bins, static_cast<size_t>(kChannels) * kHistClasses);
        d.m_well_bin_histogram.Assign(bins, static_cast<size_t>(std::max(wells, 1)) * kHistClasses);
        d.m_group_bin_histogram.Assign(bins, static_cast<size_t>(G + 1) * kHistClasses);
        int last = -1;
        for (const auto& name : platform::ListFolder(folder)) {
            if (name.size() < 10 || name.compare(0, 5, "histo") != 0 ||
                name.compare(name.size() - 4, 4, ".bin") != 0)
                continue;
            const std::string digits = name.substr(5, name.size() - 9);
            if (digits.empty() || digits.find_first_not_of("0123456789") != std::string::npos) continue;
            last = std::max(last, std::stoi(digits.substr(0, 6)));
        }
        if (last < 0) {
            platform::MsgBox("Error getting Histogram.bin data");
            return false;
        }
        constexpr size_t kHistBytes = 16 + 385 * 51 * 4;
        std::vector<unsigned char> buf(kHistBytes);
        BinWalker walk(B);
        for (int u = 0; u <= last; ++u) {
            char num[16];
            std::snprintf(num, sizeof num, "%04d", u);
            const std::string path = platform::JoinPath(folder, std::string("histo") + num + ".bin");
            std::unique_ptr<FILE, int (*)(FILE*)> f(std::fopen(path.c_str(), "rb"), &std::fclose);
            if (!f) continue;
            double seconds = 0;
            int records = 0;
            d.m_hist_seconds_per_sample = 0;
            while (std::fread(buf.data(), 1, kHistBytes, f.get()) == kHistBytes) {
                double minute, perSample;
                std::memcpy(&minute, buf.data(), 8);
                std::memcpy(&perSample, buf.data() + 8, 8);
                seconds += perSample;
                ++records;
                const size_t k = binOf(static_cast<size_t>(walk.Next(minute)));
                for (int cls = 0; cls < 50; ++cls)
                    for (int ch = 0; ch < kChannels; ++ch) {
                        int32_t v;
                        std::memcpy(&v, buf.data() + 16 + (static_cast<size_t>(cls) * 385 + ch) * 4, 4);
                        d.m_channel_bin_histogram.At(k, static_cast<size_t>(ch) * kHistClasses + cls) = v;
                    }
                d.m_bin_has_data[k] = true;
            }
            // A file without a whole record has no mean seconds per sample.
            if (records == 0) throw NumericError("Division by zero");
            d.m_hist_seconds_per_sample = seconds / records;
        }
        BinWalker recordWalk(B);
        replay([&](int32_t minute, const int16_t*, int16_t) {
            const size_t k = binOf(static_cast<size_t>(recordWalk.Next(minute)));
            for (int w = 0; w < wells; ++w) {
                const auto& chans = wellChannels[w];
                if (chans.empty()) continue;
                for (int cls = 0; cls < 50; ++cls) {
                    double s = 0;
                    for (int ch : chans) s += d.m_channel_bin_histogram.At(k, static_cast<size_t>(ch) * kHistClasses + cls);
                    const double add = d.m_report_max_beam == 0 ? s : RoundHalfEven(s / static_cast<double>(chans.size()));
                    auto& cell = d.m_well_bin_histogram.At(k, static_cast<size_t>(w) * kHistClasses + cls);
                    cell = ToInt32(cell + add);
                }
            }
        });
        for (int32_t g = 0; g <= G; ++g) {
            const auto& list = groupWells[g];
            if (list.empty()) continue;
            d.m_group_well_count[g] = static_cast<int32_t>(list.size());
            for (int64_t k = 1; k <= nb; ++k)
                for (int cls = 0; cls < 50; ++cls) {
                    double s = 0;
                    for (int w : list) s += d.m_well_bin_histogram.At(k, static_cast<size_t>(w) * kHistClasses + cls);
                    d.m_group_bin_histogram.At(k, static_cast<size_t>(g) * kHistClasses + cls) =
                        ToInt32(s / static_cast<double>(list.size()));
                }
        }
        return true;
    } catch (const std::exception&) {
        platform::MsgBox("Report Calculation Error");
        return false;
    }
}

}  // namespace vondrel::reports
