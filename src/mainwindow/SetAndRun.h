// Setting a list index, an option button or a check box from code runs the
// control's click handler, also when the value stays the same (Qt itself is
// silent then). The window's handlers rely on that.
#pragma once

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QSignalBlocker>
#include <functional>
#include <stdexcept>

namespace vondrel {

inline void SelectListIndexAndRun(QComboBox* combo, int index, const std::function<void()>& handler) {
    if (index < -1 || index >= combo->count()) throw std::out_of_range("Invalid property value");
    {
        QSignalBlocker block(combo);
        combo->setCurrentIndex(index);
    }
    if (handler) handler();
}

inline void SetCheckedAndRun(QAbstractButton* button, bool checked, const std::function<void()>& handler) {
    {
        QSignalBlocker block(button);
        button->setChecked(checked);
    }
    if (handler) handler();
}

}  // namespace vondrel
