// A desktop whose numbers have a decimal comma (de_DE), as the windows'
// toolkit makes it the C library's locale at start: generated once with
// localedef into a folder of the build, then set for the process (and in its
// environment, where the desktop's conventions are asked). The previous
// locale and environment come back at the end.
#pragma once

#include <optional>
#include <string>

namespace vondrel::testing {

class DecimalCommaLocale {
public:
    DecimalCommaLocale();
    ~DecimalCommaLocale();
    DecimalCommaLocale(const DecimalCommaLocale&) = delete;
    DecimalCommaLocale& operator=(const DecimalCommaLocale&) = delete;

    // True when the locale is in force; otherwise Problem() says why not.
    bool Active() const { return active_; }
    const std::string& Problem() const { return problem_; }

private:
    bool active_ = false;
    std::string problem_;
    std::string previousLocale_;
    std::optional<std::string> previousLocpath_, previousLcAll_;
};

}  // namespace vondrel::testing
