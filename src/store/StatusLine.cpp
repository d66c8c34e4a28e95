#include "store/StatusLine.h"

namespace vondrel {

namespace {
std::string g_text = "Equipment Status = unknown";
std::function<void(const std::string&)> g_sink;
}  // namespace

void SetStatusLine(const std::string& text) {
    g_text = text;
    if (g_sink) g_sink(text);
}

const std::string& StatusLineText() { return g_text; }

void SetStatusLineSink(std::function<void(const std::string&)> sink) { g_sink = std::move(sink); }

}  // namespace vondrel
