// A temporary program folder with projects and recordings for the browser tests.
#pragma once

#include <string>

#include "TempFolder.h"
#include "store/RunFiles.h"

namespace vondrel::testing {

struct BrowserHome {
    TempFolder home;

    // pNNNNN/setup.dat naming the project.
    void Project(const std::string& folder, const std::string& name) const {
        std::string setup = "\"Project Setup: <Num_proj>,<Name>,<Working_folder>,<Plate_format>\"\r\n";
        setup += folder.substr(1) + ",\"" + name + "\",\"C:\\data\\\",\"w96f\"\r\n";
        for (int i = 3; i <= 20; ++i) setup += (i % 2 ? "\"header " : "1,2,") + std::to_string(i) + (i % 2 ? "\"" : "") + "\r\n";
        home.Write(folder + "/setup.dat", setup);
    }
    // A recording folder with counts.bin (unless `counts` is false) and subproj.dat.
    void Run(const std::string& project, const std::string& name, const std::string& runName, bool counts = true) const {
        home.Write(project + "/" + name + "/setup.dat", "x\r\n");
        if (counts) home.Write(project + "/" + name + "/counts.bin", std::string(774, '\0'));
        WriteSubprojectFile(home / (project + "/" + name), runName, "");
    }
};

}  // namespace vondrel::testing
