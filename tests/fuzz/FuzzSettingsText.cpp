// Reads arbitrary bytes as a settings file, the way the loaders do: fields of
// every kind and whole lines, until the data ends or a field is refused.
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/Files.h"
#include "store/SettingsText.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace vondrel;
    if (size == 0) return 0;
    // The first byte picks the order of field kinds, the rest is the file.
    const uint8_t plan = data[0];
    SettingsReader in(platform::Cp1252ToUtf8(std::string(reinterpret_cast<const char*>(data + 1), size - 1)));
    try {
        for (int i = 0; !in.AtEnd() && i < 4096; ++i) {
            switch ((plan >> (i % 4 * 2)) & 3) {
                case 0: in.ReadText(); break;
                case 1: in.ReadInt16(); break;
                case 2: in.ReadDouble(); break;
                default: in.ReadLine(); break;
            }
        }
    } catch (const SettingsError&) {
    }
    SplitFieldsRaw(std::string(reinterpret_cast<const char*>(data), size));
    return 0;
}
