#include "reports/ReportPipeline.h"

#include <algorithm>
#include <cstdio>

#include "platform/Clock.h"
#include "platform/Desktop.h"
#include "platform/Dialogs.h"
#include "platform/Files.h"
#include "platform/Numbers.h"
#include "reports/CsvToXlsx.h"
#include "reports/ReportSteps.h"
#include "store/PairReplace.h"
#include "store/RunFiles.h"
#include "store/Setup.h"

namespace vondrel::reports {
namespace {

WorkbookConverter& Converter() {
    static WorkbookConverter c;
    return c;
}

bool ConvertToWorkbook(const std::string& csvPath, const std::string& workbookPath, const std::string& spacer) {
    if (Converter()) return Converter()(csvPath, workbookPath, spacer);
    return Convertir_csv_xlsx(csvPath, workbookPath, spacer);
}

int16_t BinSize(const std::string& text) {
    double v = 0;
    if (!ParseNumber(text, v)) throw ReportFailure("bin size is not a number");
    return ToInt16(v);
}

void Pump(const std::function<void()>& pumpEvents) {
    if (!pumpEvents) return;
    for (int i = 0; i < 1000; ++i) pumpEvents();
}

}  // namespace

std::string WrittenFileText(const std::string& what, const ReportWritten& written) {
    std::string text = what + " written to " + written.file;
    if (!written.opened) text += " (no viewer opened it: open it from there)";
    return text;
}

std::string WriteReportFile(const ReportData& data, const ReportControls& ctl, int32_t T, int16_t B, bool basal,
                            const std::function<void()>& pumpEvents, ReportWritten* written) {
    ReportWritten ignored;
    ReportWritten& out = written ? *written : ignored;
    const std::string ext = ctl.fileType == ReportFileType::Text ? ".txt" : ".csv";
    // The text goes to a file of its own as it is made (a List report of a
    // long run is tens of megabytes), which takes the report's name once it
    // is whole: a text that cannot be made or written leaves no file and
    // leaves an earlier report of that name as it was.
    const std::string partial = platform::JoinPath(ctl.inputFolder, ".report" + ext + ".part");
    bool complete = false;
    try {
        complete = platform::WriteTextFileInPieces(partial, [&](const platform::TextPieces& pieces) {
            BuildReportText(data, ctl, T, B, basal, pieces);
        });
    } catch (...) {
        std::remove(partial.c_str());
        throw;
    }
    if (!complete) {
        std::remove(partial.c_str());
        throw ReportFailure("cannot write " + partial);
    }
    std::string base;
    try {
        base = FindReportFileName(ctl.inputFolder, ext);
    } catch (...) {
        std::remove(partial.c_str());
        throw;
    }
    const std::string path = platform::JoinPath(ctl.inputFolder, base + ext);
    if (std::rename(partial.c_str(), path.c_str()) != 0) {
        std::remove(partial.c_str());
        throw ReportFailure("cannot write " + path);
    }
    out = ReportWritten{path, false};
    Pump(pumpEvents);
    const std::string name = ReadSubprojectName(ctl.inputFolder);
    if (!name.empty()) TryCopyFile(path, platform::JoinPath(ctl.inputFolder, SafeReportCopyName(name) + ext));
    Pump(pumpEvents);
    if (ctl.autoReport) return path;
    if (ctl.fileType != ReportFileType::Excel) {
        out.opened = platform::OpenWithDesktop(path);
        return path;
    }
    const auto now = platform::ToLocal(platform::Now());
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%04d%02d%02d%02d%02d%02d", now.year, now.month, now.day, now.hour,
                  now.minute, now.second);
    const std::string workbook = platform::JoinPath(ctl.inputFolder, base + "_" + stamp + ".xlsx");
    // The viewer only gets a workbook that was made.
    if (ConvertToWorkbook(path, workbook, ctl.spacer) && platform::FileExists(workbook)) {
        out.file = workbook;
        out.opened = platform::OpenWithDesktop(workbook);
    }
    return path;
}

void SetWorkbookConverter(WorkbookConverter converter) { Converter() = std::move(converter); }

bool GenerateReport(ReportData& data, ReportControls& ctl, const std::function<void()>& pumpEvents,
                    ReportWritten* written) {
    const std::string& F = ctl.inputFolder;
    const std::string countsPath = platform::JoinPath(F, "counts.bin");
    // An interrupted replacement of counts.bin and setup.dat is completed or
    // undone first, so the report never reads one file old and one new.
    if (const auto recovered = store::RecoverRecordingFolder(F); !recovered.ok) {
        platform::MsgBox(store::PairErrorMessage(recovered));
        return false;
    }
    if (!platform::FileExists(countsPath)) {
        platform::MsgBox("Activity file not Found");
        return false;
    }
    try {
        // Nothing of an earlier report may reach this one.
        data.ClearComputed();
        LoadPlateConfiguration(F, data);
        const bool preset = data.m_setting_preset;
        data.m_setting_preset = false;
        if (!preset) data.m_setting_text = DescribeSetting(F);

        // counts.bin is scanned once for its minutes, and its counts are read
        // again only while they are binned; a failure of the scan is a failure
        // to read its duration.
        auto counts = CountsRecords::Scan(countsPath);
        if (!counts) {
            platform::MsgBox("Error reading " + countsPath);
            return false;
        }
        const auto duration = ReadActivityDuration(*counts);
        if (!duration) return false;
        int32_t T = *duration;
        int16_t B = BinSize(ctl.binText);
        if (B < 1) {
            B = 1;
            ctl.binText = std::to_string(B);
        }
        if (T < B) {
            // A short acquisition gets a bin that fits it (never below one minute).
            B = T <= 30 ? static_cast<int16_t>(std::max<int32_t>(T, 1)) : static_cast<int16_t>((T / 15) * 15);
            ctl.binText = std::to_string(B);
        }
        const auto n = LoadActivityMinutes(*counts, data.m_record);
        if (!n) return false;
        T = LargestMinute(data.m_record, *n);
        const auto c = ResampleToBins(T, *n, B, data.m_record, *counts);
        if (!c) return false;
        if (*c == -1) {
            platform::MsgBox("Resampling ERROR");
            return false;
        }
        T = LargestMinute(data.m_record, *c);

        bool basal = false;
        if (!ctl.basal.empty() && ctl.basal != "-" && ctl.basal.size() > 12) {
            ApplyBasal(F, ctl.basal, *c, B, data);
            basal = true;
        }
        B = BinSize(ctl.binText);
        if (!ComputeBinStatistics(T, *c, B, ctl.layout, F, data)) return false;
        B = BinSize(ctl.binText);
        WriteReportFile(data, ctl, T, B, basal, pumpEvents, written);
        return true;
    } catch (const ReportStopped&) {
        return false;
    } catch (const std::exception& e) {
        platform::MsgBox(ReportErrorMessage(e));
        return false;
    }
}

}  // namespace vondrel::reports
