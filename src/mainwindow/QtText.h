// Text conversions between the windows and the rest of the program.
#pragma once

#include <QLineEdit>
#include <QString>
#include <algorithm>
#include <string>

#include "platform/Numbers.h"

namespace vondrel {

inline std::string Str(const QString& s) { return s.toStdString(); }
inline QString Q(const std::string& s) { return QString::fromStdString(s); }

// The number at the start of a text box, a decimal comma read as a point.
inline double NumberIn(const QLineEdit* box) {
    std::string t = Str(box->text());
    std::replace(t.begin(), t.end(), ',', '.');
    return Val(t);
}

}  // namespace vondrel
