// The program as a process: started on a prepared program folder it stays
// up at the launcher (or, with "/run", goes on by itself) without a message;
// without config.dat it says so.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>
#include <filesystem>

#include "TempFolder.h"
#include "WindowFixture.h"
#include "platform/ProgramFolder.h"
#include "store/FreshFolder.h"

namespace vondrel {
namespace {

// Lines the program wrote to standard error, less the Qt platform's notes.
QStringList Messages(const QByteArray& err) {
    QStringList out;
    for (const QString& line : QString::fromUtf8(err).split('\n', Qt::SkipEmptyParts)) {
        if (line.startsWith("QStandardPaths") || line.contains("propagateSizeHints")) continue;
        out << line;
    }
    return out;
}

class ProgramRun : public ::testing::Test {
protected:
    ProgramRun() {
        testing::App();
        platform::SetProgramFolderForTest(home.Path());
        PrepareProgramFolder();
    }

    // Starts the program, lets it run for a while (or, with `untilSaid`, until
    // it writes a message, at most that while), and ends it.
    QStringList RunFor(const QStringList& args, int ms, bool* stillRunning, bool untilSaid = false) {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("VONDREL_HOME", QString::fromStdString(home.Path()));
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("VONDREL_TIME_SCALE", "0.05");
        p.setProcessEnvironment(env);
        p.start(VONDREL_PROGRAM, args);
        EXPECT_TRUE(p.waitForStarted(5000));
        QByteArray err;
        if (untilSaid) {
            // A slow start (a sanitizer build on a busy machine) must not
            // read as silence.
            QElapsedTimer waited;
            waited.start();
            while (waited.elapsed() < ms && Messages(err).isEmpty() && !p.waitForFinished(100))
                err += p.readAllStandardError();
        } else {
            p.waitForFinished(ms);
        }
        *stillRunning = p.state() == QProcess::Running;
        if (*stillRunning) {
            p.kill();
            p.waitForFinished(5000);
        }
        err += p.readAllStandardError();
        return Messages(err);
    }

    testing::TempFolder home;
};

TEST_F(ProgramRun, StaysAtTheLauncherWithoutAMessage) {
    bool running = false;
    QStringList said = RunFor({}, 1500, &running);
    EXPECT_TRUE(running);
    EXPECT_TRUE(said.isEmpty()) << said.join(" | ").toStdString();
}

// With "/run" the start-up goes on by itself; what the connect and Play then
// say depends on the instrument, but the start-up itself does not fail.
TEST_F(ProgramRun, AutorunStartsUpWithoutFailing) {
    bool running = false;
    QStringList said = RunFor({"/run"}, 1500, &running);
    EXPECT_TRUE(running);
    for (const QString& line : said) EXPECT_FALSE(line.startsWith("Error loading INIT parameters")) << line.toStdString();
}

TEST_F(ProgramRun, MissingConfigSaysSo) {
    std::filesystem::remove(home / "config.dat");
    bool running = false;
    QStringList said = RunFor({}, 30000, &running, true);
    ASSERT_FALSE(said.isEmpty());
    EXPECT_EQ(said.first().toStdString(), "Config file not found: Check correct software installation");
}

}  // namespace
}  // namespace vondrel
