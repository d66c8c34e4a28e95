// The test suite's own HTTP(S) server on 127.0.0.1 (web_stub.py), and test
// certificates made with openssl: a CA, a server certificate for annot.test
// and chat.test signed by it, a self-signed one and one for another name.
#pragma once

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <vector>

#include "TempFolder.h"

namespace vondrel::testing {

struct TestCertificates {
    TempFolder dir;
    std::string ca, cert, key, selfCert, selfKey, otherCert, otherKey;
    TestCertificates() {
        const std::string d = dir.Path();
        const std::string k = "-newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes";
        dir.Write("ext", "subjectAltName=DNS:annot.test,DNS:chat.test\n");
        dir.Write("ext-other", "subjectAltName=DNS:other.test\n");
        const std::string script =
            "cd '" + d + "' && "
            "openssl req -x509 " + k + " -keyout ca.key -out ca.pem -days 2 -subj '/CN=Vondrel Test CA' && "
            "openssl req " + k + " -keyout srv.key -out srv.csr -subj /CN=annot.test && "
            "openssl x509 -req -in srv.csr -CA ca.pem -CAkey ca.key -CAcreateserial -out srv.pem -days 2 -extfile ext && "
            "openssl req " + k + " -keyout other.key -out other.csr -subj /CN=other.test && "
            "openssl x509 -req -in other.csr -CA ca.pem -CAkey ca.key -CAcreateserial -out other.pem -days 2 "
            "-extfile ext-other && "
            "openssl req -x509 " + k + " -keyout self.key -out self.pem -days 2 -subj /CN=annot.test "
            "-addext subjectAltName=DNS:annot.test,DNS:chat.test";
        if (std::system(("(" + script + ") >/dev/null 2>&1").c_str()) != 0)
            throw std::runtime_error("openssl could not make the test certificates");
        ca = d + "/ca.pem";
        cert = d + "/srv.pem";
        key = d + "/srv.key";
        selfCert = d + "/self.pem";
        selfKey = d + "/self.key";
        otherCert = d + "/other.pem";
        otherKey = d + "/other.key";
    }
};

// One started stub; it serves `connections` connections and exits by its
// deadline. Requests are recorded as req-N.head / req-N.body.
class WebStub {
public:
    struct Options {
        std::string mode = "reply";
        int status = 200;
        std::string body;
        int connections = 1;
        double deadline = 15;
        double delay = 1;
        std::string cert, key;
    };
    explicit WebStub(const Options& o) {
        record.Write("body.bin", o.body);
        std::vector<std::string> args = {"/usr/bin/python3", VONDREL_WEB_STUB, "--mode", o.mode,
                                         "--status", std::to_string(o.status), "--body-file", record / "body.bin",
                                         "--record", record.Path(), "--connections", std::to_string(o.connections),
                                         "--deadline", std::to_string(o.deadline), "--delay", std::to_string(o.delay)};
        if (!o.cert.empty()) args.insert(args.end(), {"--cert", o.cert, "--key", o.key});
        int fds[2];
        if (pipe(fds) != 0) throw std::runtime_error("pipe");
        pid_ = fork();
        if (pid_ == 0) {
            dup2(fds[1], 1);
            close(fds[0]);
            std::vector<char*> argv;
            for (auto& a : args) argv.push_back(a.data());
            argv.push_back(nullptr);
            execv(argv[0], argv.data());
            _exit(127);
        }
        close(fds[1]);
        FILE* out = fdopen(fds[0], "r");
        if (!out || std::fscanf(out, "%d", &port) != 1) throw std::runtime_error("the web stub did not start");
        std::fclose(out);
    }
    ~WebStub() {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
    }
    WebStub(const WebStub&) = delete;
    WebStub& operator=(const WebStub&) = delete;

    std::string ConnectTo() const { return "127.0.0.1:" + std::to_string(port); }
    int Requests() const {
        int n = 0;
        while (record.Exists("req-" + std::to_string(n) + ".head")) ++n;
        return n;
    }
    std::string Head(int n = 0) const { return record.Read("req-" + std::to_string(n) + ".head"); }
    std::string Body(int n = 0) const { return record.Read("req-" + std::to_string(n) + ".body"); }

    int port = 0;
    TempFolder record;

private:
    pid_t pid_ = -1;
};

// A loopback port with nothing listening.
int ClosedPort();

}  // namespace vondrel::testing
