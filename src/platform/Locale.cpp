#include "platform/Locale.h"

#include <langinfo.h>
#include <locale.h>

#include <cstring>

namespace vondrel::platform {

namespace {
std::string& Override() {
    static std::string value;
    return value;
}
}  // namespace

std::string LocaleListSeparator() {
    if (!Override().empty()) return Override();
    const char* separator = ",";
    // The user's numeric locale, from the environment (LC_ALL, LC_NUMERIC, LANG).
    locale_t loc = newlocale(LC_NUMERIC_MASK, "", static_cast<locale_t>(0));
    if (loc != static_cast<locale_t>(0)) {
        const char* radix = nl_langinfo_l(RADIXCHAR, loc);
        if (radix && std::strcmp(radix, ",") == 0) separator = ";";
        freelocale(loc);
    }
    return separator;
}

void SetListSeparatorForTest(const std::string& separator) { Override() = separator; }

}  // namespace vondrel::platform
