// The HTTP POST client against the suite's own server on 127.0.0.1. Names
// like annot.test are never resolved: connect_to sends every connection to
// the stub, while the Host header and the certificate check keep the name.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>

#include "WebStub.h"
#include "setup/internet_post.h"

namespace vondrel::web {
namespace {

using testing::WebStub;

const testing::TestCertificates& Certs() {
    static testing::TestCertificates certs;
    return certs;
}

// A 164-character key of letters, digits, "-" and "_".
std::string LongKey() {
    std::string k = "sk-proj-";
    while (k.size() < 164) k += "Ab9_-xYz";
    return k.substr(0, 164);
}

WebSettings Via(const WebStub& stub, long timeout = 10) {
    WebSettings s;
    s.connect_to = stub.ConnectTo();
    s.ca_file = Certs().ca;
    s.chat_key = LongKey();
    s.connect_timeout_s = timeout;
    s.timeout_s = timeout;
    return s;
}

WebStub::Options Tls(WebStub::Options o = {}) {
    o.cert = Certs().cert;
    o.key = Certs().key;
    return o;
}

TEST(UrlParts, HostAndPath) {
    EXPECT_EQ(GetUrlHost("https://a.b/x?y=1"), "a.b");
    EXPECT_EQ(GetUrlPath("https://a.b/x?y=1"), "/x?y=1");
    EXPECT_EQ(GetUrlHost("https://a.b:8443/p"), "a.b:8443");
    EXPECT_EQ(GetUrlPath("https://a.b:8443/p"), "/p");
    EXPECT_EQ(GetUrlHost("https://a.b"), "a.b");
    EXPECT_EQ(GetUrlPath("https://a.b"), "/");
}

TEST(PostJsonLoopback, TheRequestAsSent) {
    WebStub::Options o = Tls();
    o.body = "{\"ok\":1}";
    o.connections = 2;
    WebStub stub(o);
    const std::string body = "{\"t\":\"caf\xC3\xA9\"}" + std::string(2000, 'x');  // bytes, above the Expect threshold
    EXPECT_EQ(PostJson("https://annot.test/ailayer/backend.php", body, Via(stub)), "{\"ok\":1}");
    EXPECT_EQ(PostJsonBearer("https://chat.test/v1/chat/completions", "{}", Via(stub)), "{\"ok\":1}");
    ASSERT_EQ(stub.Requests(), 2);
    EXPECT_EQ(stub.Head(0), "POST /ailayer/backend.php HTTP/1.1\r\nHost: annot.test\r\nUser-Agent: HTTP POST Example\r\n"
                            "Content-Type: application/json\r\nContent-Length: " + std::to_string(body.size()));
    EXPECT_EQ(stub.Body(0), body);
    EXPECT_EQ(stub.Head(1), "POST /v1/chat/completions HTTP/1.1\r\nHost: chat.test\r\nUser-Agent: HTTP POST OpenAI\r\n"
                            "Content-Type: application/json\r\nAuthorization: Bearer " + LongKey() +
                            "\r\nContent-Length: 2");
    EXPECT_EQ(stub.Body(1), "{}");
}

TEST(PostJsonLoopback, AnswersReturnedWhole) {
    std::string big;
    for (int i = 0; big.size() < 100000; ++i) big += std::to_string(i) + ",";
    const struct { std::string mode; int status; std::string body, expected; } cases[] = {
        {"reply", 200, "", ""},
        {"chunked", 200, big, big},
        {"reply", 500, "{\"error\":{\"message\":\"x\"}}", "{\"error\":{\"message\":\"x\"}}"},
        {"reply", 200, "Se\xC3\xB1" "al Se\xF1" "al", "Se\xC3\xB1" "al Se\xC3\xB1" "al"},
    };
    for (const auto& c : cases) {
        WebStub::Options o = Tls();
        o.mode = c.mode;
        o.status = c.status;
        o.body = c.body;
        o.connections = 2;
        WebStub stub(o);
        EXPECT_EQ(PostJson("https://annot.test/p", "{}", Via(stub)), c.expected) << c.mode << c.status;
        EXPECT_EQ(PostJsonBearer("https://chat.test/p", "{}", Via(stub)), c.expected) << c.mode << c.status;
    }
}

TEST(PostJsonLoopback, FailuresBeforeAndWhileReading) {
    WebSettings refused;
    refused.connect_to = "127.0.0.1:" + std::to_string(testing::ClosedPort());
    EXPECT_EQ(PostJson("https://annot.test/p", "{}", refused), "-1");
    EXPECT_EQ(PostJsonBearer("https://chat.test/p", "{}", refused), "-1");

    const struct { std::string mode, json, bearer; } cases[] = {
        {"reset", "", "-1"},   // headers read, the body cut off by a reset
        {"stall", "-1", "-1"},   // headers read, the body stops coming: a time-out is a failed request
        {"silent", "-1", "-1"},  // nothing comes back at all
    };
    for (const auto& c : cases) {
        WebStub::Options o = Tls();
        o.mode = c.mode;
        o.body = "{\"partial\":";
        o.connections = 2;
        o.deadline = 6;
        WebStub stub(o);
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(PostJson("https://annot.test/p", "{}", Via(stub, 1)), c.json) << c.mode;
        EXPECT_EQ(PostJsonBearer("https://chat.test/p", "{}", Via(stub, 1)), c.bearer) << c.mode;
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5)) << "the time-out bounds " << c.mode;
    }
}

// An answer is kept up to kMaxAnswerBytes; a longer one ends the transfer
// and gives the message, whether its length is declared or chunked.
TEST(PostJsonLoopback, AnswerLongerThanTheLimitIsNotKept) {
    const std::string limit(kMaxAnswerBytes, 'a');
    const struct { std::string mode, body, expected; } cases[] = {
        {"reply", limit, limit},
        {"chunked", limit, limit},
        {"reply", limit + "b", kAnswerTooLarge},
        {"chunked", limit + "b", kAnswerTooLarge},
    };
    for (const auto& c : cases) {
        WebStub::Options o = Tls();
        o.mode = c.mode;
        o.body = c.body;
        o.connections = 2;
        WebStub stub(o);
        const std::string json = PostJson("https://annot.test/p", "{}", Via(stub));
        EXPECT_TRUE(json == c.expected) << c.mode << " " << c.body.size() << " gave " << json.size() << " bytes";
        const std::string bearer = PostJsonBearer("https://chat.test/p", "{}", Via(stub));
        EXPECT_TRUE(bearer == c.expected) << c.mode << " " << c.body.size() << " gave " << bearer.size() << " bytes";
    }
}

TEST(PostJsonLoopback, CertificatesChecked) {
    const struct { std::string cert, key; bool caFile; } refusedCases[] = {
        {Certs().selfCert, Certs().selfKey, true},   {Certs().selfCert, Certs().selfKey, false},
        {Certs().otherCert, Certs().otherKey, true}, {Certs().otherCert, Certs().otherKey, false},
        {Certs().cert, Certs().key, false},  // the test CA is not trusted without ca_file
    };
    for (const auto& c : refusedCases) {
        WebStub::Options o;
        o.cert = c.cert;
        o.key = c.key;
        o.connections = 2;
        o.body = "secret reply";
        WebStub stub(o);
        WebSettings s = Via(stub);
        if (!c.caFile) s.ca_file.clear();
        ::testing::internal::CaptureStderr();
        EXPECT_EQ(PostJson("https://annot.test/p", "{}", s), "-1");
        EXPECT_EQ(PostJsonBearer("https://chat.test/p", "{}", s), "-1");
        EXPECT_EQ(::testing::internal::GetCapturedStderr().find(LongKey()), std::string::npos);
        EXPECT_EQ(stub.Requests(), 0) << "no request reaches an unchecked server";
    }
}

TEST(PostJsonLoopback, CapitalSchemeIsPlainAndProxyIgnored) {
    WebStub::Options o;
    o.body = "plain";
    WebStub stub(o);
    setenv("http_proxy", ("http://127.0.0.1:" + std::to_string(testing::ClosedPort())).c_str(), 1);
    setenv("https_proxy", getenv("http_proxy"), 1);
    WebSettings s = Via(stub);
    s.connect_to = stub.ConnectTo();
    const std::string reply = PostJson("HTTPS://annot.test/p", "{}", s);
    unsetenv("http_proxy");
    unsetenv("https_proxy");
    EXPECT_EQ(reply, "plain");
    ASSERT_EQ(stub.Requests(), 1);
    EXPECT_NE(stub.Head().find("Host: annot.test\r\n"), std::string::npos);
}

TEST(PostJsonLoopback, PortInHostTextIsNoPort) {
    WebStub::Options o = Tls();
    WebStub stub(o);
    WebSettings s = Via(stub, 2);
    EXPECT_EQ(PostJson("https://annot.test:" + std::to_string(stub.port) + "/p", "{}", s), "-1");
    EXPECT_EQ(stub.Requests(), 0);
}

}  // namespace
}  // namespace vondrel::web
