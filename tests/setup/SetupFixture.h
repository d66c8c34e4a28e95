// A fresh program folder, scripted boxes and a fresh setup window for each
// test, connected to the launcher and the main window through the hooks.
#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include "WindowFixture.h"
#include "setup/Annotation.h"
#include "setup/Frm_setup.h"
#include "setup/SetupWindow.h"
#include "store/Config.h"
#include "store/Project.h"

namespace vondrel::testing {

class SetupTest : public WindowTest {
protected:
    SetupTest() {
        InstallSetupWindow();
        g_project_loaded = false;
        g_connected = kTrue;  // no port scan at "Continue to Run..."
    }
    ~SetupTest() override {
        UnloadSetupWindow();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    // A fresh folder with project 0 current, as after the first start.
    void Fresh() {
        Prepare();
        LoadConfig();
        g_project_number = 0;
        g_last_project_number = 0;
        g_project_folder = home.Path();
        SaveConfig();
    }

    static Frm_setup& setup() { return FrmSetup(); }
    static Frm_setup& Shown() {
        Hooks().showSetup();
        return FrmSetup();
    }
    static std::string Text(const QLineEdit* box) { return box->text().toStdString(); }

    // "New..." answered OK with `name`.
    void NewProject(const std::string& name) {
        boxes.ExpectMessage("Do you like to Create a New Project?", platform::Reply::Ok);
        boxes.ExpectInput("Enter the New Project Name", name);
        setup().Cmdnewpj_Click();
    }
};

// A fresh window with the annotation frame shown ("Annotation" ticked) and
// every annotation empty.
class AnnotationFrameTest : public SetupTest {
protected:
    AnnotationFrameTest() {
        for (AnnotationTexts* a : {&g_group_compound, &g_group_concentration, &g_group_strain,
                                   &g_group_organism_count, &g_group_medium})
            a->fill("");
        g_global_strain.clear();
        g_global_organism_count.clear();
        g_global_medium.clear();
    }
    Frm_setup& Ready() {
        Fresh();
        Frm_setup& w = Shown();
        w.resize(1000, 750);
        w.chk_advance->setChecked(true);
        QCoreApplication::processEvents();
        return w;
    }
};

}  // namespace vondrel::testing
