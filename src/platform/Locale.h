// The user's list separator: ";" where the locale writes decimals with ",",
// else ",".
#pragma once

#include <string>

namespace vondrel::platform {

std::string LocaleListSeparator();
// Tests fix the answer; "" restores the locale query.
void SetListSeparatorForTest(const std::string& separator);

}  // namespace vondrel::platform
