// "Search DB" and "Ask AI" in the setup window, against the suite's own
// server on 127.0.0.1, with scripted boxes.
#include <QApplication>
#include <QPointer>
#include <QTimer>

#include "SetupFixture.h"
#include "WebStub.h"
#include "setup/Annotation.h"
#include "setup/internet_post.h"

namespace vondrel {
namespace {

using testing::WebStub;

const testing::TestCertificates& Certs() {
    static testing::TestCertificates certs;
    return certs;
}

const std::string kKey = "sk-test_" + std::string(40, 'k');

class WebQueries : public testing::AnnotationFrameTest {
protected:
    void Configure(const std::string& connectTo, int timeout = 10) {
        home.Write("web.conf", "# test services\nannotation_host = annot.test\nchat_host = chat.test\nchat_key = " +
                                   kKey + "\nca_file = " + Certs().ca + "\nconnect_to = " + connectTo +
                                   "\ntimeout_s = " + std::to_string(timeout) + "\n");
    }
    static WebStub::Options Tls(std::string mode, std::string body) {
        WebStub::Options o;
        o.mode = std::move(mode);
        o.body = std::move(body);
        o.cert = Certs().cert;
        o.key = Certs().key;
        o.connections = 2;
        return o;
    }
};

TEST_F(WebQueries, BothButtonsShowTheAnswer) {
    const std::string enye = "Se\xC3\xB1" "al";
    const struct { std::string reply, search, chat; } cases[] = {
        {"{\"choices\":[{\"message\":{\"role\":\"assistant\",\"content\":\"Resumen breve\"}}]}", "", "Resumen breve"},
        {"{\"content\":\"l\\u00ednea\\n\\\"x\\\"\"}", "", "l\\u00ednea\n\"x\""},
        {"{\"content\":\"" + enye + "\"}", "", enye},
        {"{\"content\":\"Se\xC3\x83\xC2\xB1" "al\"}", "{\"content\":\"" + enye + "\"}", enye},
        {"{\"content\":\"never closed", "", "(incompleto)"},
        {"{\"error\":{\"message\":\"no\"}}", "", "(no encontrado)"},
    };
    Frm_setup& w = Ready();
    w.txt_compound[1]->setText("Aldicarb");
    w.txt_conc[1]->setText("200uM");
    for (const auto& c : cases) {
        WebStub stub(Tls("reply", c.reply));
        Configure(stub.ConnectTo());
        boxes.ExpectMessage("answer:" + (c.search.empty() ? c.reply : c.search));
        w.cmd_searchDB->click();
        boxes.ExpectMessage("answer:" + c.chat);
        w.cmd_askai->click();
        ASSERT_EQ(stub.Requests(), 2);
        const std::string doc =
            "{\"user\":\"SN10\",\"exposition_time_minutes\":" + w.Txtlapse->text().toStdString() + ",\"organism\":\"" +
            w.Cmb_organism->currentText().toStdString() + "\",\"groups\":[{\"id\":-1,\"group_type\":\"global attribute\","
            "\"strains\":[{\"name\":\"N2\",\"number_of_animals\":35}],\"buffer\":\"M9\",\"wells\":\"all\"},"
            "{\"id\":0,\"group_type\":\"control\",\"wells\":[]},"
            "{\"id\":1,\"group_type\":\"treatment\",\"treatment\":\"Aldicarb=200uM\",\"wells\":[]},";
        EXPECT_EQ(stub.Body(0).substr(0, doc.size()), doc);
        EXPECT_NE(stub.Head(0).find("POST /ailayer/backend.php HTTP/1.1\r\nHost: annot.test\r\n"), std::string::npos);
        EXPECT_NE(stub.Head(1).find("POST /v1/chat/completions HTTP/1.1\r\nHost: chat.test\r\n"), std::string::npos);
        EXPECT_NE(stub.Body(1).find("\"content\":\"De acuerdo al siguiente"), std::string::npos);
    }
}

TEST_F(WebQueries, FailuresShowMinusOneOrNoKey) {
    Frm_setup& w = Ready();
    Configure("127.0.0.1:" + std::to_string(testing::ClosedPort()));
    boxes.ExpectMessage("answer:-1");
    w.cmd_searchDB->click();
    boxes.ExpectMessage("answer:(no encontrado)");
    w.cmd_askai->click();

    // A time-out before or after the reply's header block is the same failure.
    for (const char* mode : {"silent", "stall"}) {
        WebStub::Options o = Tls(mode, "{\"content\":");
        o.deadline = 6;
        WebStub stub(o);
        Configure(stub.ConnectTo(), 1);
        boxes.ExpectMessage("answer:-1");
        w.cmd_searchDB->click();
        boxes.ExpectMessage("answer:(no encontrado)");
        w.cmd_askai->click();
    }
}

TEST_F(WebQueries, AnswerTooLargeShowsTheMessageAlone) {
    Frm_setup& w = Ready();
    WebStub stub(Tls("chunked", "{\"content\":\"" + std::string(web::kMaxAnswerBytes, 'x') + "\"}"));
    Configure(stub.ConnectTo());
    boxes.ExpectMessage(web::kAnswerTooLarge);
    w.cmd_searchDB->click();
    boxes.ExpectMessage(web::kAnswerTooLarge);
    w.cmd_askai->click();
}

TEST_F(WebQueries, MissingSettingsSendNothing) {
    Frm_setup& w = Ready();
    WebStub stub(Tls("reply", "{}"));
    home.Write("web.conf", "connect_to = " + stub.ConnectTo() + "\n");
    boxes.ExpectMessage("The web setting annotation_host is not set. Write \"annotation_host = ...\" in web.conf in "
                        "the program folder, or set the variable VONDREL_ANNOTATION_HOST.");
    w.cmd_searchDB->click();
    home.Write("web.conf", "chat_host = chat.test\nchat_key = bad key\nconnect_to = " + stub.ConnectTo() + "\n");
    boxes.ExpectMessage("The web setting chat_key is not valid. Correct it in web.conf in the program folder, or in "
                        "the variable VONDREL_CHAT_KEY.");
    w.cmd_askai->click();
    EXPECT_EQ(stub.Requests(), 0);
    EXPECT_FALSE(w.cmd_annot_web->isEnabled());
}

// The window keeps working while a slow answer is awaited; a second click
// meanwhile sends nothing.
TEST_F(WebQueries, TimerTicksAndSecondClickWaits) {
    Frm_setup& w = Ready();
    WebStub::Options o = Tls("slow", "{\"content\":\"late\"}");
    o.delay = 1.0;
    WebStub stub(o);
    Configure(stub.ConnectTo());
    int ticks = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
    timer.start(50);
    bool disabledMeanwhile = false;
    QTimer::singleShot(200, [&] {
        disabledMeanwhile = !w.cmd_askai->isEnabled() && !w.cmd_searchDB->isEnabled() &&
                            QApplication::overrideCursor() != nullptr;
        w.cmd_askai_Click();  // sends nothing and shows nothing
    });
    boxes.ExpectMessage("answer:late");
    w.cmd_askai->click();
    EXPECT_GE(ticks, 10);
    EXPECT_TRUE(disabledMeanwhile);
    EXPECT_EQ(stub.Requests(), 1);
    EXPECT_TRUE(w.cmd_askai->isEnabled());
    EXPECT_TRUE(w.cmd_searchDB->isEnabled());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

}  // namespace
}  // namespace vondrel

namespace vondrel {
namespace {

// A window closed and deleted while the answer is awaited is not touched
// afterwards; the answer box still appears.
TEST_F(WebQueries, WindowGoneMeanwhile) {
    Frm_setup& w = Ready();
    WebStub::Options o = Tls("slow", "{\"content\":\"still here\"}");
    o.delay = 0.5;
    WebStub stub(o);
    Configure(stub.ConnectTo());
    QTimer::singleShot(100, [] {
        UnloadSetupWindow();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    });
    boxes.ExpectMessage("answer:still here");
    QPointer<Frm_setup> window(&w);
    w.cmd_askai_Click();
    EXPECT_TRUE(window.isNull()) << "the window was deleted while the answer was awaited";
    EXPECT_EQ(stub.Requests(), 1);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

}  // namespace
}  // namespace vondrel
