// A program folder of its own for each store test, with scripted boxes.
#pragma once

#include <gtest/gtest.h>

#include "ScriptedDialogs.h"
#include "TempFolder.h"
#include "platform/ProgramFolder.h"
#include "store/Globals.h"

namespace vondrel::testing {

class StoreTest : public ::testing::Test {
protected:
    StoreTest() {
        platform::SetProgramFolderForTest(home.Path());
        g_project_folder = home.Path();
    }

    // Makes project n's folder and points g_project_folder at it.
    std::string UseProject(int n) {
        std::string folder = home / ("p" + std::string(5 - std::to_string(n).size(), '0') + std::to_string(n));
        home.Write(folder.substr(home.Path().size() + 1) + "/.keep", "");
        g_project_folder = folder;
        g_project_number = static_cast<int16_t>(n);
        return folder;
    }

    TempFolder home;
    ScriptedDialogs boxes;
};

}  // namespace vondrel::testing
