// Reads arbitrary bytes as a settings file, the way the loaders do: fields of
// every kind and whole lines, until the data ends or a field is refused. The
// same bytes are read twice, from memory and streamed from a file through a
// window of a few bytes: both readings must agree.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "../store/SettingsTrace.h"
#include "FuzzSupport.h"
#include "platform/Files.h"
#include "store/SettingsText.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace vondrel;
    if (size < 2) return 0;
    // The first bytes pick the order of field kinds and the window, the rest is the file.
    const unsigned plan = data[0] * 0x01010101u;
    const size_t window = 1 + data[1] % 8;
    const std::string bytes(reinterpret_cast<const char*>(data + 2), size - 2);
    SettingsReader memory(platform::Cp1252ToUtf8(bytes));
    const auto fromMemory = testing::SettingsTrace(memory, plan);

    static const std::string path = platform::JoinPath(fuzz::FuzzHome(), "settings.dat");
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f || std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size() || std::fclose(f) != 0) std::abort();
    auto streamed = SettingsReader::Open(path, window);
    if (!streamed || testing::SettingsTrace(*streamed, plan) != fromMemory) std::abort();

    SplitFieldsRaw(bytes);
    return 0;
}
