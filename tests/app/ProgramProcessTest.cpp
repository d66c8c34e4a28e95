// The program as a process on a program folder: one copy per folder (a second
// start refused without touching a file, a copy killed with -9 leaving no
// lock, an unattended copy waiting for the one before it, the automatic
// restart handing the folder to its new copy), the ending signals (the run's
// actuators switched off, counts.bin whole, the port closed), and the
// program-folder preparation with its demo project.
#include <gtest/gtest.h>
#include <signal.h>

#include <QCoreApplication>
#include <QProcess>
#include <QProcessEnvironment>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <thread>

#include "SimProcess.h"
#include "TempFolder.h"
#include "platform/ProgramLock.h"

namespace vondrel {
namespace {

namespace fs = std::filesystem;
using platform::ProgramFolderLock;
using namespace std::chrono_literals;

constexpr int kRecordBytes = 774;
const std::string kActuatorsOff = "FF 00 10 00 F0";
const std::string kIdentify = "FF 03 00 00 F0";

QCoreApplication& App() {
    static int argc = 1;
    static char name[] = "app_tests";
    static char* argv[] = {name, nullptr};
    static QCoreApplication* app = new QCoreApplication(argc, argv);
    return *app;
}

bool WaitFor(const std::function<bool()>& done, std::chrono::milliseconds limit) {
    const auto until = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > until) return false;
        std::this_thread::sleep_for(20ms);
    }
    return true;
}

// Every file and folder below `folder` with its bytes and its change time.
std::map<std::string, std::string> Snapshot(const std::string& folder) {
    std::map<std::string, std::string> out;
    for (const auto& e : fs::recursive_directory_iterator(folder)) {
        const std::string rel = fs::relative(e.path(), folder).string();
        if (!e.is_regular_file()) {
            out[rel + "/"] = "";
            continue;
        }
        std::ifstream in(e.path(), std::ios::binary);
        std::ostringstream bytes;
        bytes << in.rdbuf();
        out[rel] = bytes.str() + "@" + std::to_string(e.last_write_time().time_since_epoch().count());
    }
    return out;
}

class ProgramProcess : public ::testing::Test {
protected:
    ProgramProcess() { App(); }
    ~ProgramProcess() override {
        for (auto& p : started_) {
            if (p->state() != QProcess::NotRunning) {
                p->kill();
                p->waitForFinished(5000);
            }
        }
        // A copy the automatic restart left behind when a test failed.
        for (pid_t copy = DetachedCopy(); copy > 0; copy = DetachedCopy()) {
            ::kill(copy, SIGKILL);
            WaitFor([&] { return ::kill(copy, 0) != 0; }, 5s);
        }
    }

    // Prepares the program folder as the run command does.
    void InitHome(const QStringList& options = {"--demo-project"}) {
        QProcess init;
        init.start(VONDREL_INIT_HOME, options + QStringList{QString::fromStdString(home.Path())});
        ASSERT_TRUE(init.waitForFinished(10000));
        ASSERT_EQ(init.exitCode(), 0) << init.readAllStandardError().toStdString();
    }

    // `outputFile`: the program's output goes there instead of a pipe, which
    // a copy it starts can outlive.
    QProcess& Start(const QStringList& args, double timeScale = 0.05, const std::string& outputFile = "") {
        auto p = std::make_unique<QProcess>();
        if (!outputFile.empty()) {
            p->setStandardOutputFile(QString::fromStdString(outputFile));
            p->setStandardErrorFile(QString::fromStdString(outputFile));
        }
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("VONDREL_HOME", QString::fromStdString(home.Path()));
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("VONDREL_TIME_SCALE", QString::number(timeScale));
        p->setProcessEnvironment(env);
        p->start(VONDREL_PROGRAM, args);
        EXPECT_TRUE(p->waitForStarted(5000));
        started_.push_back(std::move(p));
        return *started_.back();
    }

    // True while some process holds the program folder's lock.
    bool Locked() const { return ProgramFolderLock(home.Path(), 0).state() == ProgramFolderLock::State::Busy; }

    // Waits until `p` holds the lock (it has passed the check at its start).
    void WaitUntilLocked(QProcess& p) {
        ASSERT_TRUE(WaitFor([&] { return Locked() || p.state() == QProcess::NotRunning; }, 10s));
        ASSERT_EQ(p.state(), QProcess::Running) << p.readAllStandardError().toStdString();
    }

    // Station 1's counts.bin of the runs in project 1, "" when none.
    std::string CountsFile() const {
        const fs::path project = home / "p00001";
        if (!fs::exists(project)) return "";
        for (const auto& e : fs::directory_iterator(project))
            if (e.is_directory() && e.path().string().ends_with("_s1") && fs::exists(e.path() / "counts.bin"))
                return (e.path() / "counts.bin").string();
        return "";
    }
    std::uintmax_t CountsBytes() const {
        const std::string f = CountsFile();
        return f.empty() ? 0 : fs::file_size(f);
    }

    // The copy of the program that runs on this folder and is not a child of
    // the test (the one the automatic restart started); -1 when none.
    pid_t DetachedCopy() const {
        const fs::path program = fs::canonical(VONDREL_PROGRAM);
        const std::string mark = "VONDREL_HOME=" + home.Path();
        for (const auto& e : fs::directory_iterator("/proc")) {
            const std::string name = e.path().filename().string();
            if (name.find_first_not_of("0123456789") != std::string::npos) continue;
            std::error_code ec;
            if (fs::read_symlink(e.path() / "exe", ec) != program || ec) continue;
            std::ifstream in(e.path() / "environ", std::ios::binary);
            std::string entry;
            while (std::getline(in, entry, '\0'))
                if (entry == mark) return static_cast<pid_t>(std::stoi(name));
        }
        return -1;
    }

    static std::string Said(QProcess& p) { return p.readAllStandardError().toStdString(); }

    testing::TempFolder home;
    std::vector<std::unique_ptr<QProcess>> started_;
};

// ---------------------------------------------------------------------------
// One copy per program folder
// ---------------------------------------------------------------------------

TEST_F(ProgramProcess, SecondStartIsRefusedWithoutTouchingAFileAndKillMinus9LeavesNoLock) {
    InitHome();
    QProcess& first = Start({});
    WaitUntilLocked(first);
    std::this_thread::sleep_for(1s);  // the first is at its launcher, writing nothing
    const auto before = Snapshot(home.Path());

    const auto start = std::chrono::steady_clock::now();
    QProcess& second = Start({});
    ASSERT_TRUE(second.waitForFinished(10000));
    EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);  // no wait without "/run"
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 1);
    EXPECT_NE(Said(second).find("Vondrel is already running with the program folder " + home.Path() + "\n"),
              std::string::npos);
    EXPECT_EQ(Snapshot(home.Path()), before);
    EXPECT_EQ(first.state(), QProcess::Running);

    // Killed without a chance to clean up, the first leaves no lock behind.
    ::kill(static_cast<pid_t>(first.processId()), SIGKILL);
    ASSERT_TRUE(first.waitForFinished(5000));
    QProcess& third = Start({});
    WaitUntilLocked(third);
    EXPECT_FALSE(third.waitForFinished(1000));
    EXPECT_EQ(Said(third).find("already running"), std::string::npos);
}

// The automatic restart starts its new copy ("/run") before it ends: that
// copy waits for the lock and goes on once the copy before it has ended; a
// "/run" copy whose wait runs out says why and ends with status 1.
TEST_F(ProgramProcess, AnUnattendedCopyWaitsForTheCopyBeforeIt) {
    InitHome();
    QProcess& first = Start({});
    WaitUntilLocked(first);
    QProcess& waiting = Start({"/run"}, 0.2);  // waits up to 3 s
    EXPECT_FALSE(waiting.waitForFinished(1000));
    ::kill(static_cast<pid_t>(first.processId()), SIGKILL);
    ASSERT_TRUE(first.waitForFinished(5000));
    ASSERT_TRUE(WaitFor([&] { return Locked(); }, 5s));
    EXPECT_FALSE(waiting.waitForFinished(3000)) << Said(waiting);  // still there after its wait would have run out
    EXPECT_EQ(Said(waiting).find("already running"), std::string::npos);

    QProcess& late = Start({"/run"}, 0.02);  // waits 0.3 s
    ASSERT_TRUE(late.waitForFinished(10000));
    EXPECT_EQ(late.exitCode(), 1);
    EXPECT_NE(Said(late).find("Vondrel is already running with the program folder " + home.Path()), std::string::npos);
}

// The real restart: lasting communication faults in a run make the program
// start its new copy and end; the new copy takes the folder over, connects
// to the instrument (back by then) and can itself be ended cleanly.
TEST_F(ProgramProcess, TheAutomaticRestartHandsTheFolderToItsNewCopy) {
    InitHome();
    testing::SimProcess sim(home.Path(), 4);
    testing::TempFolder output;
    QProcess& first = Start({"/run"}, 0.1, output / "program.out");
    // Recording, past Play's calibration and zeroing (a silence during those
    // is a box, not a fault of the tick).
    ASSERT_TRUE(WaitFor([&] { return CountsBytes() >= kRecordBytes; }, 30s)) << output.Read("program.out");
    sim.Set("silent", "1");
    ASSERT_TRUE(first.waitForFinished(30000)) << output.Read("program.out");
    EXPECT_EQ(first.exitStatus(), QProcess::NormalExit);
    sim.MarkLog();
    sim.Set("silent", "0");

    pid_t copy = -1;
    ASSERT_TRUE(WaitFor([&] { return (copy = DetachedCopy()) > 0; }, 5s));
    ASSERT_TRUE(WaitFor([&] { return Locked(); }, 10s));
    ASSERT_TRUE(WaitFor([&] {
        const auto frames = sim.FramesSinceMark();
        return std::find(frames.begin(), frames.end(), kIdentify) != frames.end();
    }, 10s));
    ::kill(copy, SIGTERM);
    EXPECT_TRUE(WaitFor([&] { return ::kill(copy, 0) != 0; }, 10s));
    EXPECT_FALSE(Locked());
    EXPECT_EQ(CountsBytes() % kRecordBytes, 0u);
}

// ---------------------------------------------------------------------------
// Ending signals
// ---------------------------------------------------------------------------

TEST_F(ProgramProcess, SigtermDuringARunSwitchesTheActuatorsOffAndEndsCleanly) {
    InitHome();
    testing::SimProcess sim(home.Path(), 4);
    QProcess& program = Start({"/run"}, 0.1);
    ASSERT_TRUE(WaitFor([&] { return CountsBytes() >= kRecordBytes; }, 30s)) << Said(program);
    sim.MarkLog();
    ::kill(static_cast<pid_t>(program.processId()), SIGTERM);
    ASSERT_TRUE(program.waitForFinished(10000));
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 0);
    const auto frames = sim.FramesSinceMark();
    ASSERT_FALSE(frames.empty());
    EXPECT_EQ(frames.back(), kActuatorsOff);
    EXPECT_EQ(CountsBytes() % kRecordBytes, 0u);
    EXPECT_FALSE(Locked());
    // The port was closed: the instrument's link can be opened again at once.
    QProcess& next = Start({});
    WaitUntilLocked(next);
}

TEST_F(ProgramProcess, SigintAndSighupEndTheProgramWithoutAQuestion) {
    InitHome();
    for (int signal : {SIGINT, SIGHUP}) {
        SCOPED_TRACE(signal);
        QProcess& program = Start({});
        WaitUntilLocked(program);
        ::kill(static_cast<pid_t>(program.processId()), signal);
        ASSERT_TRUE(program.waitForFinished(10000));
        EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);  // not killed by the signal
        EXPECT_EQ(program.exitCode(), 0);
    }
}

// ---------------------------------------------------------------------------
// Program-folder preparation
// ---------------------------------------------------------------------------

TEST_F(ProgramProcess, TheDemoProjectIsMadeOnlyInANewProgramFolder) {
    fs::remove(home.Path());
    InitHome();
    EXPECT_TRUE(home.Exists("p00001/setup.dat"));
    const std::string config = home.Read("config.dat");
    EXPECT_TRUE(config.ends_with("\r\n1,1,4,0\r\n")) << config;

    testing::TempFolder used;
    QProcess plain;
    plain.start(VONDREL_INIT_HOME, {QString::fromStdString(used.Path())});
    ASSERT_TRUE(plain.waitForFinished(10000));
    const auto before = Snapshot(used.Path());
    QProcess demo;
    demo.start(VONDREL_INIT_HOME, {"--demo-project", QString::fromStdString(used.Path())});
    ASSERT_TRUE(demo.waitForFinished(10000));
    EXPECT_EQ(demo.exitCode(), 0);
    EXPECT_EQ(Snapshot(used.Path()), before);  // a folder in use is left as it is
}

TEST_F(ProgramProcess, TheHelpFileIsPrintedFromTheBuiltInGuide) {
    fs::remove(home.Path());
    InitHome({});
    ASSERT_TRUE(home.Exists("qvr_help.pdf"));
    const std::string pdf = home.Read("qvr_help.pdf");
    EXPECT_TRUE(pdf.starts_with("%PDF")) << pdf.substr(0, 16);
    EXPECT_GT(pdf.size(), 2000u);
}

}  // namespace
}  // namespace vondrel
