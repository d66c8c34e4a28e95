// The about box, shown from the main window's Help menu.
#pragma once

#include <QWidget>

class QLabel;

namespace vondrel {

class Frm_About : public QWidget {
    Q_OBJECT
public:
    explicit Frm_About(QWidget* parent = nullptr);
    void Form_Load();

    QLabel* Image1 = nullptr;
    QLabel* Label_version = nullptr;
    QLabel* lbl_credits = nullptr;
};

}  // namespace vondrel
