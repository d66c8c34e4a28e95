// A session on a desktop with a decimal comma: the C library's locale is
// de_DE, as the windows' toolkit sets it from the environment. Fractional
// values typed into the main window are saved with the project, loaded back
// and used by a recorded run; the files written are byte for byte the files
// the same session writes under the "C" locale.
#include <QCheckBox>
#include <QLineEdit>
#include <QTimer>
#include <filesystem>
#include <map>

#include "DecimalCommaLocale.h"
#include "RunFixture.h"
#include "acquisition/AcquisitionGlobals.h"
#include "store/Project.h"

namespace vondrel {
namespace {

namespace fs = std::filesystem;

class LocaleTest : public testing::RunTest {
protected:
    struct Session {
        std::map<std::string, std::string> files;  // path below the program folder -> bytes
        double snr = 0, setpoint = 0;
        int16_t actuatorOn = 1;
        int16_t snrX10 = 0, pulseOnX10 = 0, setpointX10 = 0;
        double threshold = 0;
        std::string plateFormat;
    };

    static void Type(QLineEdit* box, const char* text, void (Frm_Main::*lostFocus)()) {
        box->setText(text);
        (main().*lostFocus)();
    }

    std::map<std::string, std::string> FilesBelow(const std::string& folder) {
        std::map<std::string, std::string> files;
        for (const auto& e : fs::recursive_directory_iterator(folder)) {
            if (!e.is_regular_file()) continue;
            files[fs::relative(e.path(), home.Path()).string()] = home.Read(fs::relative(e.path(), home.Path()).string());
        }
        return files;
    }

    // The session: a project with SNR 2.5, a light pulse lapse of 0.5 min, a
    // set-point of 27.5 degrees and fractional thresholds is saved, loaded
    // back and saved again; then a one-minute run records three windows with
    // the instrument at 27.8 degrees, where the set-point keeps the climate
    // actuator off (a set-point read as 27 would start the cooler).
    Session RunSession() {
        Session s;
        now_ = platform::FromLocal({2026, 3, 4, 10, 6, 0});
        StartRun(false);
        ScaleForSimulator();
        sim = std::make_unique<testing::SimProcess>(
            home.Path(), g_com_port,
            std::vector<std::string>{"--activity", "0", "--noise", "0", "--ambient", "27.8", "--temperature", "27.8"});
        main().cmd_connect_Click();
        EXPECT_EQ(g_connected, kTrue);

        Type(main().txt_snr_umbral, "2.5", &Frm_Main::txt_snr_umbral_LostFocus);
        Type(main().txt_pulseon, "0.5", &Frm_Main::txt_pulseon_LostFocus);
        Type(main().txttemp, "27.5", &Frm_Main::txttemp_LostFocus);
        main().Chk_tenabled->setCheckState(Qt::Checked);
        for (int c = 0; c < kChannels; ++c) g_channel_threshold[c][0] = 2.125 + 0.25 * (c % 3);
        EXPECT_TRUE(SaveProject(g_project_folder, 1, -1));
        for (auto& [name, bytes] : FilesBelow(g_project_folder)) s.files["saved/" + name] = bytes;

        for (auto& row : g_tool_param) row.fill(0);
        for (auto& t : g_channel_threshold) t[0] = 0;
        LoadProject(1);
        s.snrX10 = g_tool_param[1][3];
        s.pulseOnX10 = g_tool_param[2][4];
        s.setpointX10 = g_tool_param[3][1];
        s.threshold = g_channel_threshold[1][0];
        s.plateFormat = g_plate_format;
        const std::string again = g_project_folder + "/again";
        fs::create_directories(again);
        EXPECT_TRUE(SaveProject(again, 1, -1));

        TickStations({1, 2});
        g_acq_lapse = 1;
        g_save_real = 1;
        Play("Decimal comma");
        boxes.ExpectMessage("Acquisition finished");
        for (int ticks = 0; g_run_state != 0 && ticks < 5000; ++ticks) {
            now_ += std::chrono::milliseconds(45);
            main().Timeradq_Timer();
        }
        EXPECT_EQ(g_run_state, 0);
        s.snr = main().m_run.m_snr_threshold;
        s.setpoint = g_temperature_setpoint;
        s.actuatorOn = main().m_run.m_temp_actuator_on;
        for (auto& [name, bytes] : FilesBelow(g_project_folder)) s.files[name] = bytes;
        return s;
    }

    // Leaves the program folder empty for the next session.
    void EndSession() {
        UnloadWindows();
        for (int16_t p = 1; p <= kCommPortCount; ++p) CommClose(p);
        sim.reset();
        g_connected = 0;
        for (const auto& e : fs::directory_iterator(home.Path())) fs::remove_all(e.path());
    }
};

TEST_F(LocaleTest, DecimalCommaDesktopWritesTheFilesOfTheCLocale) {
    const Session c = RunSession();
    EndSession();
    testing::DecimalCommaLocale comma;
    if (!comma.Active()) GTEST_SKIP() << "no decimal-comma locale: " << comma.Problem();
    const Session de = RunSession();

    // The values as typed, through the files and back.
    EXPECT_EQ(de.snrX10, 25);
    EXPECT_EQ(de.pulseOnX10, 5);
    EXPECT_EQ(de.setpointX10, 275);
    EXPECT_EQ(de.threshold, 2.375);
    EXPECT_EQ(de.plateFormat, c.plateFormat);
    EXPECT_DOUBLE_EQ(de.snr, 2.5);
    EXPECT_DOUBLE_EQ(de.setpoint, 27.5);
    EXPECT_EQ(de.actuatorOn, 0);

    // The same files, byte for byte: the project as saved, as saved again
    // after loading, and the run's folders with their settings and counts
    // records. The raw sample blocks hold the instrument's levels as it sent
    // them, which no conversion touches and which a link under load may
    // hold back by a sample: of those, the size.
    ASSERT_GT(c.files.size(), 20u);
    std::vector<std::string> names, deNames;
    for (const auto& [name, bytes] : c.files) names.push_back(name);
    for (const auto& [name, bytes] : de.files) deNames.push_back(name);
    EXPECT_EQ(deNames, names);
    for (const auto& [name, bytes] : c.files) {
        auto it = de.files.find(name);
        if (it == de.files.end()) continue;
        const fs::path file(name);
        if (file.extension() == ".bin" && file.filename() != "counts.bin") {
            EXPECT_EQ(it->second.size(), bytes.size()) << name;
        } else {
            EXPECT_TRUE(it->second == bytes) << name << " differs";
        }
    }
    // What follows the desktop's conventions still does: the SNR box's
    // default after a refused entry is written with the desktop's comma.
    boxes.ExpectMessage("Invalid value: 1.1 to 5.0");
    Type(main().txt_snr_umbral, "9", &Frm_Main::txt_snr_umbral_LostFocus);
    EXPECT_EQ(main().txt_snr_umbral->text().toStdString(), "1,8");

    // Loaded and saved again, the project's files are the files it was loaded from.
    for (const char* file : {"setup.dat", "status.dat", "threshld.dat", "groups1.dat", "chgroup3.dat"}) {
        EXPECT_EQ(de.files.at("p00001/again/" + std::string(file)), de.files.at("saved/p00001/" + std::string(file)))
            << file;
    }
    EXPECT_NE(de.files.at("p00001/threshld.dat").find("\r\n1,2.375\r\n"), std::string::npos);
}

}  // namespace
}  // namespace vondrel
