// The web queries of the annotation frame: "Search DB" sends the experiment
// description to the annotation database, "Ask AI" asks the chat service for
// a summary; both show the answer in a box. Nothing is sent without a click,
// and without the settings in web.conf (or the environment) a box names the
// missing one. While the answer is awaited the window keeps repainting and
// timers keep ticking; a second query waits for the first to end.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QCursor>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>

#include "mainwindow/QtText.h"
#include "platform/Desktop.h"
#include "platform/Dialogs.h"
#include "platform/ProgramFolder.h"
#include "setup/Frm_setup.h"
#include "setup/WebJson.h"
#include "setup/WebSettings.h"
#include "setup/internet_post.h"

namespace vondrel {

namespace {

bool g_query_running = false;  // one query at a time, whichever window asked

std::string Text(const QLineEdit* box) { return Str(box->text()); }

// The texts the window shows now.
web::ExperimentForm FormOnScreen(const Frm_setup& w) {
    web::ExperimentForm f;
    f.lapse = Text(w.Txtlapse);
    f.organism = Str(w.Cmb_organism->currentText());
    f.strainGlobal = w.Chk_global_strain->isChecked();
    f.orgGlobal = w.Chk_global_orgnum->isChecked();
    f.bufferGlobal = w.Chk_global_buffer->isChecked();
    f.globalStrain = Text(w.txt_global_strain);
    f.globalOrgnum = Text(w.txt_global_orgnum);
    f.globalBuffer = Text(w.txt_global_buffer);
    for (int k = 0; k < 6; ++k)
        f.rows[k] = {Text(w.txt_group[k]),  Text(w.txt_compound[k]), Text(w.txt_conc[k]),
                     Text(w.txt_strain[k]), Text(w.txt_org[k]),      Text(w.txt_buffer[k])};
    return f;
}

// Checks the settings, then runs `query` (which posts and returns the text
// to show) with both query buttons disabled and the wait cursor, and shows
// "answer:" and the text (an answer too large to read: the message alone). The window may be closed while the answer is
// awaited: it is not touched then, and the box still appears.
template <class Query>
void RunWebQuery(Frm_setup* window, web::WebService service, Query query) {
    if (g_query_running) return;
    const web::WebSettings settings = web::LoadWebSettings(platform::ProgramFolder());
    if (const std::string problem = web::CheckWebSettings(settings, service); !problem.empty()) {
        platform::MsgBox(problem);
        return;
    }
    const web::ExperimentForm form = FormOnScreen(*window);
    g_query_running = true;
    QPointer<Frm_setup> self(window);
    window->cmd_askai->setEnabled(false);
    window->cmd_searchDB->setEnabled(false);
    QApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    const std::string answer = query(settings, web::ExperimentJson(form));
    QApplication::restoreOverrideCursor();
    if (self) {
        self->cmd_askai->setEnabled(true);
        self->cmd_searchDB->setEnabled(true);
    }
    g_query_running = false;
    platform::MsgBox(answer == web::kAnswerTooLarge ? answer : "answer:" + answer);
}

}  // namespace

void Frm_setup::cmd_searchDB_Click() { SearchAnnotationDb(); }
void Frm_setup::cmd_askai_Click() { AskAiSummary(); }

void Frm_setup::SearchAnnotationDb() {
    RunWebQuery(this, web::WebService::AnnotationSearch, [](const web::WebSettings& s, const std::string& doc) {
        std::string reply = web::PostJson("https://" + s.annotation_host + "/ailayer/backend.php", doc, s);
        return web::CorregirCaracteresUTF8MalInterpretados(reply);
    });
}

void Frm_setup::AskAiSummary() {
    RunWebQuery(this, web::WebService::Chat, [](const web::WebSettings& s, const std::string& doc) {
        const std::string reply =
            web::PostJsonBearer("https://" + s.chat_host + "/v1/chat/completions", web::ChatCompletionRequest(doc), s);
        if (reply == web::kAnswerTooLarge) return reply;
        std::string answer = web::ObtenerContentDesdeRespuesta(reply);
        return web::CorregirCaracteresUTF8MalInterpretados(answer);
    });
}

// "Advanced Annotation": the annotation web page in the desktop's browser.
// The button is disabled and nothing enables it.
void Frm_setup::cmd_annot_web_Click() {
    const web::WebSettings settings = web::LoadWebSettings(platform::ProgramFolder());
    if (const std::string problem = web::CheckWebSettings(settings, web::WebService::AnnotationPage); !problem.empty()) {
        platform::MsgBox(problem);
        return;
    }
    const std::string address = "https://" + settings.annotation_page_host + "/korvabase";
    if (!platform::OpenUrlWithDesktop(address)) platform::MsgBox("The web page " + address + " could not be opened.");
}

}  // namespace vondrel
