// Reads a settings text field by field in an order picked by `plan` (two bits
// per read: text, skipped text, number, whole line; a skipped line every
// fifth read) and writes down what each read gave, the error that ended the
// reading, or the end. Two readers of the same bytes must leave the same trace.
#pragma once

#include <string>
#include <vector>

#include "platform/Numbers.h"
#include "store/SettingsText.h"

namespace vondrel::testing {

inline std::vector<std::string> SettingsTrace(SettingsReader& in, unsigned plan, int reads = 4096) {
    std::vector<std::string> trace;
    try {
        for (int i = 0; i < reads; ++i) {
            if (in.AtEnd()) {
                trace.push_back("end");
                break;
            }
            if (i % 5 == 4) {
                in.SkipLine();
                trace.push_back("skipped line");
                continue;
            }
            switch ((plan >> (i % 16 * 2)) & 3) {
                case 0: trace.push_back("text " + in.ReadText()); break;
                case 1: in.SkipText(); trace.push_back("skipped"); break;
                case 2: trace.push_back("number " + FormatReal(in.ReadDouble())); break;
                default: trace.push_back("line " + in.ReadLine()); break;
            }
        }
    } catch (const SettingsError& e) {
        trace.push_back(std::string("error ") + e.what());
    }
    return trace;
}

}  // namespace vondrel::testing
