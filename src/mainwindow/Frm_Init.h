// The launcher: the window the program shows first and returns to. It shows
// the start-up progress in LblNews and offers four choices: a new project,
// the latest project, the recorded experiments, and the end of the program.
#pragma once

#include <QWidget>
#include <string>

class QLabel;
class QPushButton;

namespace vondrel {

inline constexpr const char* kVersionText = "<< V5.3 Vondrel Tetrav Rev04/26 >>";
inline constexpr const char* kMakerWebSite = "https://korvatech.example/";

class Frm_Init : public QWidget {
    Q_OBJECT
public:
    explicit Frm_Init(QWidget* parent = nullptr);
    ~Frm_Init() override;

    void cmd_option1_Click() { OpenProjectSetup(); }
    void cmd_option2_Click() { RunLatestProject(); }
    void cmd_option3_Click() { OpenRecordedData(); }
    void cmd_option4_Click() { QuitProgram(); }
    void Form_Activate();
    void Form_Load();
    void Image1_DblClick();
    void Label1_DblClick();
    void OpenProjectSetup();
    void RunLatestProject();
    void OpenRecordedData();
    void QuitProgram();

    // Sets the status line and repaints it at once.
    void ShowNews(const std::string& text);

    QPushButton* cmd_option1 = nullptr;
    QPushButton* cmd_option2 = nullptr;
    QPushButton* cmd_option3 = nullptr;
    QPushButton* cmd_option4 = nullptr;
    QLabel* LblNews = nullptr;
    QLabel* Label_version = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Image1 = nullptr;

signals:
    void newsShown(const QString& text);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

}  // namespace vondrel
