// Posting one JSON text to a web address and returning the answer's body, on
// libcurl. Each call uses its own handle, waits for the answer (pumping the
// window's events meanwhile, so the window repaints and timers tick) and frees
// everything before it returns. Certificates are always checked; the
// time-outs of the settings bound every call.
//
// Failures come back only as the result: "-1" for any failure before the
// answer's header block is complete and for a time-out at any point; any
// other failure while the body is read gives "" from PostJson and "-1" from
// PostJsonBearer. The HTTP status is not examined: an error page is returned
// like any answer. An answer longer than kMaxAnswerBytes is not kept: the
// transfer ends there and the result is kAnswerTooLarge.
#pragma once

#include <cstddef>
#include <string>

#include "setup/WebSettings.h"

namespace vondrel::web {

// The longest answer body kept in memory.
inline constexpr size_t kMaxAnswerBytes = size_t{4} << 20;
// The result when the answer is longer: shown instead of the answer.
inline constexpr const char* kAnswerTooLarge = "The answer of the web service is larger than 4 MB; it was not read.";

// The answer body (as UTF-8 text, a stray byte read as Windows-1252) or a
// failure result. `s` gives ca_file, connect_to and the time-outs.
std::string PostJson(const std::string& url, const std::string& body, const WebSettings& s);
// The same with "Authorization: Bearer " and s.chat_key.
std::string PostJsonBearer(const std::string& url, const std::string& body, const WebSettings& s);

// The host: after the first "//", up to the next "/" or the end.
std::string GetUrlHost(const std::string& url);
// The path: from the first "/" after the host to the end, or "/".
std::string GetUrlPath(const std::string& url);

}  // namespace vondrel::web
