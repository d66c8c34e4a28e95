#include "platform/Locale.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

namespace vondrel::platform {
namespace {

// LC_ALL set for one test, put back (or unset) afterwards.
class LcAll {
public:
    explicit LcAll(const char* value) {
        if (const char* v = std::getenv("LC_ALL")) saved_ = v;
        setenv("LC_ALL", value, 1);
    }
    ~LcAll() {
        if (saved_) setenv("LC_ALL", saved_->c_str(), 1);
        else unsetenv("LC_ALL");
    }

private:
    std::optional<std::string> saved_;
};

TEST(Locale, SeparatorIsTheFirstSignOutsideTheFields) {
    struct Case {
        const char* format;
        const char* fallback;
        const char* separator;
    };
    const Case cases[] = {
        {"%m/%d/%y", "/", "/"},  {"%d.%m.%Y", "/", "."},  {"%Y-%m-%d", "/", "-"},
        {"%d. %m. %Y", "/", "."}, {"%H:%M:%S", ":", ":"}, {"%H.%M.%S", ":", "."},
        {"%Ey", "/", "/"},        {"%OH%OM", ":", ":"},   {"", ":", ":"},
        {"%", "/", "/"},          {" %d %m ", "/", "/"},
    };
    for (const Case& c : cases) EXPECT_EQ(SeparatorInFormat(c.format, c.fallback), c.separator) << c.format;
}

TEST(Locale, DateAndTimeSignsFromTheTimeLocaleElseSlashAndColon) {
    for (const char* name : {"C", "no_such_locale.XYZ"}) {
        LcAll locale(name);
        EXPECT_EQ(LocaleDateSeparator(), "/") << name;
        EXPECT_EQ(LocaleTimeSeparator(), ":") << name;
    }
}

TEST(Locale, TestsFixTheDateAndTimeSigns) {
    LcAll locale("C");
    SetDateSeparatorForTest(".");
    SetTimeSeparatorForTest("h");
    EXPECT_EQ(LocaleDateSeparator(), ".");
    EXPECT_EQ(LocaleTimeSeparator(), "h");
    SetDateSeparatorForTest("");
    SetTimeSeparatorForTest("");
    EXPECT_EQ(LocaleDateSeparator(), "/");
    EXPECT_EQ(LocaleTimeSeparator(), ":");
}

}  // namespace
}  // namespace vondrel::platform
