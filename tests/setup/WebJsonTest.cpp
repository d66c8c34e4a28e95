// The experiment description, the chat request and the reply handling.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "TempFolder.h"
#include "setup/WebJson.h"
#include "setup/WebSettings.h"

namespace vondrel::web {
namespace {

// The start state: the three global boxes ticked with their defaults.
ExperimentForm StartForm() {
    ExperimentForm f;
    f.lapse = "1";
    f.organism = "C.elegans";
    f.globalStrain = "N2";
    f.globalOrgnum = "35";
    f.globalBuffer = "M9";
    for (int k = 0; k < 6; ++k) f.rows[k].group = std::to_string(k);
    return f;
}

TEST(EscapeJson, TableOfCharacters) {
    const struct { std::string in, out; } cases[] = {
        {"plain text 123", "plain text 123"},
        {"\"", "\\\""},
        {"\\", "\\\\"},
        {"/", "\\/"},
        {"\b\t\n\f\r", "\\b\\t\\n\\f\\r"},
        {"\x01", "\\u0001"},
        {"\x7F", "\\u007F"},
        {"\xC3\xA9", "\\u00E9"},            // é
        {"\xCE\xBC", "\\u03BC"},            // μ
        {"\xE2\x82\xAC", "\\u20AC"},        // €
        {"\xF0\x9F\x98\x80", "\\uD83D\\uDE00"},  // an emoji as a surrogate pair
        {"a\x80z", "a\\u20ACz"},            // a stray byte is its Windows-1252 character
    };
    for (const auto& c : cases) EXPECT_EQ(EscapeJsonString(c.in), c.out) << c.in;
}

TEST(UnescapeJson, OnePassLeftToRight) {
    const struct { std::string in, out; } cases[] = {
        {"a\\nb", "a\nb"},
        {"\\\\n", "\\n"},  // an escaped backslash followed by n stays a backslash and n
        {"say \\\"hi\\\"", "say \"hi\""},
        {"\\u00e9", "\\u00e9"},
        {"\\x\\/", "\\x/"},
        {"end\\", "end\\"},
        {"\\b\\f\\r\\t", "\b\f\r\t"},
    };
    for (const auto& c : cases) EXPECT_EQ(UnescapeJsonString(c.in), c.out) << c.in;
}

TEST(ContentOfReply, ScanRules) {
    const struct { std::string reply, content; } cases[] = {
        {"{\"error\":{\"message\":\"bad\"}}", "(no encontrado)"},
        {"-1", "(no encontrado)"},
        {"{\"content\":\"hola\"}", "hola"},
        {"{\"content\": \"hola\"}", "hola"},
        {"{\"content\":\r\n\t \"hola\"}", "hola"},
        {"{\"content\":\"one\",\"x\":{\"content\":\"two\"}}", "one"},
        {"{\"content\":\"a \\\"b\\\" c\"}", "a \"b\" c"},
        {"{\"content\":\"ends \\\\\",\"next\":\"x\"}", "ends \\"},
        {"{\"content\":\"caf\\u00e9\"}", "caf\\u00e9"},
        {"{\"content\":null,\"other\":\"unrelated\"}", "(incompleto)"},
        {"{\"content\":\"never closed", "(incompleto)"},
        {"{\"content\":", "(incompleto)"},
    };
    for (const auto& c : cases) EXPECT_EQ(ObtenerContentDesdeRespuesta(c.reply), c.content) << c.reply;
}

TEST(RepairMisreadUtf8, TheTableInOrder) {
    // Each character's UTF-8 bytes read one by one as Windows-1252, then repaired.
    const struct { std::string misread, repaired; } cases[] = {
        {"\xC3\x83\xC2\xA1", "\xC3\xA1"},       {"\xC3\x83\xC2\xA9", "\xC3\xA9"},
        {"\xC3\x83\xC2\xAD", "\xC3\xAD"},       {"\xC3\x83\xC2\xB3", "\xC3\xB3"},
        {"\xC3\x83\xC2\xBA", "\xC3\xBA"},       {"\xC3\x83\xC2\xB1", "\xC3\xB1"},
        {"\xC3\x83\xC2\x81", "\xC3\x81"},       {"\xC3\x83\xE2\x80\xB0", "\xC3\x89"},
        {"\xC3\x83\xC2\x8D", "\xC3\x8D"},       {"\xC3\x83\xE2\x80\x9C", "\xC3\x93"},
        {"\xC3\x83\xC5\xA1", "\xC3\x9A"},       {"\xC3\x83\xE2\x80\x98", "\xC3\x91"},
        {"\xC3\xA2\xE2\x82\xAC\xC5\x93", "\""}, {"\xC3\xA2\xE2\x82\xAC\xC2\x9D", "\""},
        {"\xC3\xA2\xE2\x82\xAC\xCB\x9C", "'"},  {"\xC3\xA2\xE2\x82\xAC\xE2\x84\xA2", "'"},
        {"\xC3\xA2\xE2\x82\xAC\xE2\x80\x9C", "-"}, {"\xC3\xA2\xE2\x82\xAC\xE2\x80\x9D", "-"},
        {"\xC3\xA2\xE2\x82\xAC\xC2\xA6", "..."},
        {"\xC3\x82\xC2\xB0", "\xC2\xB0"},       // "Â°" -> "°": the lone Â removed
        {"\xC3\xA2\xE2\x82\xAC\xC2\xAF", " "},  {"\xC3\x8E\xC2\xBC", "\xC2\xB5"},
        {"Se\xC3\x83\xC2\xB1" "al", "Se\xC3\xB1" "al"},
        {"plain \xC3\xA9", "plain \xC3\xA9"},
    };
    for (const auto& c : cases) {
        std::string text = c.misread;
        EXPECT_EQ(CorregirCaracteresUTF8MalInterpretados(text), c.repaired) << c.misread;
        EXPECT_EQ(text, c.repaired);
    }
}

TEST(ReplyBytes, Utf8KeptStrayBytesAsWindows1252) {
    EXPECT_EQ(DecodeReplyBytes("Se\xC3\xB1" "al"), "Se\xC3\xB1" "al");
    EXPECT_EQ(DecodeReplyBytes("Se\xF1" "al"), "Se\xC3\xB1" "al");
    EXPECT_EQ(DecodeReplyBytes("\x80\xC3"), "\xE2\x82\xAC\xC3\x83");
}

TEST(NumberValue, LeadingNumberWithPoint) {
    const struct { std::string in, out; } cases[] = {
        {"30", "30"}, {"35abc", "35"}, {"", "0"}, {"2.5", "2.5"}, {"-1", "-1"}, {"abc", "0"}, {"0.1", "0.1"},
    };
    for (const auto& c : cases) EXPECT_EQ(JsonNumber(c.in), c.out) << c.in;
}

TEST(ExperimentDocument, StartStateAllGlobal) {
    ExperimentForm f = StartForm();
    f.rows[1].compound = "Aldicarb";
    f.rows[1].conc = "200uM";
    EXPECT_EQ(ExperimentJson(f),
              "{\"user\":\"SN10\",\"exposition_time_minutes\":1,\"organism\":\"C.elegans\",\"groups\":["
              "{\"id\":-1,\"group_type\":\"global attribute\",\"strains\":[{\"name\":\"N2\",\"number_of_animals\":35}],"
              "\"buffer\":\"M9\",\"wells\":\"all\"},"
              "{\"id\":0,\"group_type\":\"control\",\"wells\":[]},"
              "{\"id\":1,\"group_type\":\"treatment\",\"treatment\":\"Aldicarb=200uM\",\"wells\":[]},"
              "{\"id\":2,\"group_type\":\"control\",\"wells\":[]},"
              "{\"id\":3,\"group_type\":\"control\",\"wells\":[]},"
              "{\"id\":4,\"group_type\":\"control\",\"wells\":[]},"
              "{\"id\":5,\"group_type\":\"control\",\"wells\":[]}]}");
}

TEST(ExperimentDocument, AllUntickedRowsCarryTheAttributes) {
    ExperimentForm f = StartForm();
    f.strainGlobal = f.orgGlobal = f.bufferGlobal = false;
    f.lapse = "2.5";
    for (int k = 1; k < 6; ++k) f.rows[k].group.clear();
    f.rows[0] = {"7", "", "", "N2", "35abc", "M9"};
    EXPECT_EQ(ExperimentJson(f),
              "{\"user\":\"SN10\",\"exposition_time_minutes\":2.5,\"organism\":\"C.elegans\",\"groups\":["
              "{\"id\":-1,\"group_type\":\"global attribute\",\"wells\":\"all\"},"
              "{\"id\":7,\"group_type\":\"control\",\"strains\":[{\"name\":\"N2\",\"number_of_animals\":35}],"
              "\"buffer\":\"M9\",\"wells\":[]}]}");
}

TEST(ExperimentDocument, StrainOnlyGlobal) {
    ExperimentForm f = StartForm();
    f.orgGlobal = false;
    f.lapse = "";
    for (int k = 1; k < 6; ++k) f.rows[k].group.clear();
    f.rows[0].org = "12";
    EXPECT_EQ(ExperimentJson(f),
              "{\"user\":\"SN10\",\"exposition_time_minutes\":0,\"organism\":\"C.elegans\",\"groups\":["
              "{\"id\":-1,\"group_type\":\"global attribute\",\"strains\":[{\"name\":\"N2\"}],\"buffer\":\"M9\","
              "\"wells\":\"all\"},"
              "{\"id\":0,\"group_type\":\"control\",\"strains\":[{\"number_of_animals\":12}],\"wells\":[]}]}");
}

TEST(ExperimentDocument, GroupTypeAndTreatment) {
    const struct { std::string compound, conc, member; } cases[] = {
        {"CoNtRoL", "5mM", "\"group_type\":\"control\",\"treatment\":\"CoNtRoL=5mM\","},
        {"Levamisole", "0", "\"group_type\":\"control\",\"treatment\":\"Levamisole=0\","},
        {"", "10", "\"group_type\":\"control\",\"wells\""},
        {"Aldicarb", "", "\"group_type\":\"treatment\",\"treatment\":\"Aldicarb=\","},
        {"Aldicarb", "0.0", "\"group_type\":\"treatment\",\"treatment\":\"Aldicarb=0.0\","},
    };
    for (const auto& c : cases) {
        ExperimentForm f = StartForm();
        f.rows[0].compound = c.compound;
        f.rows[0].conc = c.conc;
        const std::string j = ExperimentJson(f);
        EXPECT_NE(j.find("{\"id\":0," + c.member), std::string::npos) << j;
    }
}

// Texts with quotes, backslashes, a line break, a slash and non-ASCII letters
// read back by Python's json module equal the control texts, members in order.
TEST(ExperimentDocument, PythonReadsBackTheTexts) {
    ExperimentForm f = StartForm();
    f.organism = "C. \"elegans\"\\L4";
    f.globalBuffer = "M9/2\nline";
    f.rows[0].compound = "caf\xC3\xA9 5\xCE\xBCM \xF0\x9F\x98\x80";
    f.rows[0].conc = "\x01";
    const std::string doc = ExperimentJson(f);
    for (unsigned char c : doc) ASSERT_TRUE(c >= 32 && c < 127) << "the document is plain ASCII";
    testing::TempFolder tmp;
    tmp.Write("doc.json", doc);
    tmp.Write("chat.json", ChatCompletionRequest(doc));
    tmp.Write("check.py",
              "import json,sys\n"
              "d=json.load(open(sys.argv[1]+'/doc.json',encoding='ascii'))\n"
              "assert list(d)==['user','exposition_time_minutes','organism','groups'], list(d)\n"
              "assert d['organism']=='C. \"elegans\"\\\\L4', d['organism']\n"
              "g=d['groups']\n"
              "assert list(g[0])==['id','group_type','strains','buffer','wells'], list(g[0])\n"
              "assert g[0]['buffer']=='M9/2\\nline'\n"
              "assert g[1]['treatment']=='caf\\u00e9 5\\u03bcM \\U0001F600=\\x01', repr(g[1]['treatment'])\n"
              "c=json.load(open(sys.argv[1]+'/chat.json'))\n"
              "assert list(c)==['model','messages'] and c['model']=='gpt-4.1-nano'\n"
              "m=c['messages'][0]\n"
              "assert list(m)==['role','content'] and m['role']=='user'\n"
              "instr='De acuerdo al siguiente de experimento, provee un resumen y verifica el uso de controles "
              "positivos y negativos correctos. Provee una respuesta breve (maximo 500 caracteres):'\n"
              "assert len(instr)==173\n"
              "assert m['content']==instr+open(sys.argv[1]+'/doc.json').read()\n");
    const std::string cmd = "/usr/bin/python3 " + (tmp / "check.py") + " " + tmp.Path();
    EXPECT_EQ(std::system(cmd.c_str()), 0);
}

TEST(ChatRequest, InstructionThenEscapedDocument) {
    EXPECT_EQ(kChatInstruction.size(), 173u);
    EXPECT_EQ(ChatCompletionRequest("{\"a\":\"x/y\"}"),
              "{\"model\":\"gpt-4.1-nano\",\"messages\":[{\"role\":\"user\",\"content\":\"" +
                  std::string(kChatInstruction) + "{\\\"a\\\":\\\"x\\/y\\\"}\"}]}");
}

TEST(Settings, FileThenEnvironmentAndChecks) {
    testing::TempFolder tmp;
    tmp.Write("web.conf",
              "# services\r\nannotation_host = annot.test\r\nchat_host=chat.test\nchat_key = sk-abc_DEF-1\n"
              "timeout_s = 5\nconnect_timeout_s = soon\nunknown = x\n");
    const auto env = [](const std::string& name) -> std::optional<std::string> {
        if (name == "VONDREL_CHAT_HOST") return "chat.env";
        return std::nullopt;
    };
    WebSettings s = LoadWebSettings(tmp.Path(), env);
    EXPECT_EQ(s.annotation_host, "annot.test");
    EXPECT_EQ(s.chat_host, "chat.env");
    EXPECT_EQ(s.chat_key, "sk-abc_DEF-1");
    EXPECT_EQ(s.timeout_s, 5);
    EXPECT_EQ(s.connect_timeout_s, 30);
    EXPECT_EQ(CheckWebSettings(s, WebService::AnnotationSearch), "");
    EXPECT_EQ(CheckWebSettings(s, WebService::Chat), "");
    EXPECT_EQ(CheckWebSettings(s, WebService::AnnotationPage),
              "The web setting annotation_page_host is not set. Write \"annotation_page_host = ...\" in web.conf in "
              "the program folder, or set the variable VONDREL_ANNOTATION_PAGE_HOST.");

    const struct { std::string host, key; bool hostOk, keyOk; } cases[] = {
        {"a.b/x", "k", false, true}, {"u@a.b", "k", false, true}, {"a b", "k", false, true},
        {"a\tb", "k", false, true},  {"a.b", "k y", true, false}, {"a.b", "k\"", true, false},
        {"a.b", "", true, false},
    };
    for (const auto& c : cases) {
        WebSettings t;
        t.chat_host = c.host;
        t.chat_key = c.key;
        const std::string e = CheckWebSettings(t, WebService::Chat);
        EXPECT_EQ(e.empty(), c.hostOk && c.keyOk) << c.host << "|" << c.key;
        if (!c.hostOk) {
            EXPECT_NE(e.find("chat_host"), std::string::npos);
        }
        if (c.hostOk && !c.keyOk) {
            EXPECT_NE(e.find("chat_key"), std::string::npos);
        }
        if (!c.key.empty() && c.key != "k") {
            EXPECT_EQ(e.find(c.key), std::string::npos) << "the key is never shown";
        }
        EXPECT_NE(e.find("web.conf"), std::string::npos);
    }
}

}  // namespace
}  // namespace vondrel::web
