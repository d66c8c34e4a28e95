// A recording's binary file read whole in one go (counts.bin, setup.dat):
// its size first, then one read into a buffer of that size.
#pragma once

#include <optional>
#include <string>

namespace vondrel::reports {

// The file's bytes; nullopt when it is missing, not a regular file or
// cannot be read. Never creates the file.
std::optional<std::string> ReadWholeBinary(const std::string& path);

}  // namespace vondrel::reports
