// Small operations on a run folder's subproj.dat, on a project's tags_id.dat
// and setup.dat, and the free space before a run. Each returns a text (or a
// number) instead of failing.
#pragma once

#include <cstdint>
#include <string>

namespace vondrel {

// subproj.dat of a run folder: the run name and its protocol comments, each
// one quoted field. Writes it (replacing any file); false on failure.
bool WriteSubprojectFile(const std::string& runFolder, const std::string& name, const std::string& comments);

std::string ReadSubprojectName(const std::string& runFolder);
std::string ReadSubprojectComments(const std::string& runFolder);
// Both keep subproj.bak as the previous content. A name holding a line break
// is refused (""); otherwise the rename returns the name as stored (double
// quotes become single quotes).
std::string RenameSubproject(const std::string& runFolder, const std::string& newName);
std::string SaveSubprojectComments(const std::string& runFolder, const std::string& comments);

std::string GetSubprojectTags(const std::string& projectFolder, const std::string& runName);
std::string FindTaggedSubprojects(const std::string& projectFolder, const std::string& tag);

// Replaces the Name field of setup.dat line 2, keeping every other byte.
std::string RenameProject(const std::string& projectFolder, const std::string& newName);

// Free megabytes of the file system that holds `path` (the project folder).
int32_t GetFreeDiskSpace(const std::string& path);

}  // namespace vondrel
