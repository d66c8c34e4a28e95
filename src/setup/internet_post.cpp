#include "setup/internet_post.h"

#include <curl/curl.h>

#include <memory>
#include <mutex>

#include "platform/Events.h"
#include "setup/WebJson.h"

namespace vondrel::web {

namespace {

void InitCurlOnce() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

struct Transfer {
    std::string body;
    bool tooLarge = false;     // the body went past kMaxAnswerBytes; the transfer was ended
    bool interim = false;      // the current header block belongs to a 1xx answer
    bool headersDone = false;  // the final answer's header block is complete
};

size_t OnHeader(char* data, size_t size, size_t count, void* user) {
    auto* t = static_cast<Transfer*>(user);
    const std::string_view line(data, size * count);
    if (line.rfind("HTTP/", 0) == 0) {
        const size_t sp = line.find(' ');
        t->interim = sp != std::string_view::npos && sp + 1 < line.size() && line[sp + 1] == '1';
    } else if (line == "\r\n" || line == "\n") {
        if (!t->interim) t->headersDone = true;
    }
    return size * count;
}

size_t OnBody(char* data, size_t size, size_t count, void* user) {
    auto* t = static_cast<Transfer*>(user);
    t->headersDone = true;
    const size_t n = size * count;
    if (n > kMaxAnswerBytes - t->body.size()) {
        // Returning less than given ends the transfer with a write error.
        t->tooLarge = true;
        return 0;
    }
    t->body.append(data, n);
    return n;
}

struct EasyDeleter {
    void operator()(CURL* c) const { curl_easy_cleanup(c); }
};
struct MultiDeleter {
    void operator()(CURLM* m) const { curl_multi_cleanup(m); }
};
struct ListDeleter {
    void operator()(curl_slist* l) const { curl_slist_free_all(l); }
};

// Runs the transfer in short steps, pumping events between them.
CURLcode Perform(CURL* easy) {
    std::unique_ptr<CURLM, MultiDeleter> multi(curl_multi_init());
    if (!multi || curl_multi_add_handle(multi.get(), easy) != CURLM_OK) return CURLE_FAILED_INIT;
    CURLcode result = CURLE_FAILED_INIT;
    for (int running = 1; running;) {
        if (curl_multi_perform(multi.get(), &running) != CURLM_OK) break;
        if (running) {
            curl_multi_poll(multi.get(), nullptr, 0, 20, nullptr);
            platform::PumpEvents();
            continue;
        }
        int left = 0;
        while (CURLMsg* m = curl_multi_info_read(multi.get(), &left))
            if (m->msg == CURLMSG_DONE && m->easy_handle == easy) result = m->data.result;
    }
    curl_multi_remove_handle(multi.get(), easy);
    return result;
}

std::string Post(const std::string& url, const std::string& body, const WebSettings& s, bool bearer) {
    InitCurlOnce();
    const std::string failure = "-1", readFailure = bearer ? "-1" : "";
    const std::string host = GetUrlHost(url), path = GetUrlPath(url);
    const bool secure = url.compare(0, 8, "https://") == 0;
    const char* port = secure ? "443" : "80";
    if (host.empty()) return failure;

    std::unique_ptr<CURL, EasyDeleter> easy(curl_easy_init());
    if (!easy) return failure;
    CURL* c = easy.get();
    // The address is rebuilt from host and path with the port of the scheme:
    // a port written in the address stays part of the host text.
    const std::string address = std::string(secure ? "https://" : "http://") + host + ":" + port + path;
    Transfer t;
    std::unique_ptr<curl_slist, ListDeleter> headers;
    const auto add = [&headers](const std::string& line) {
        curl_slist* l = curl_slist_append(headers.get(), line.c_str());
        if (!l) return false;
        (void)headers.release();
        headers.reset(l);
        return true;
    };
    std::unique_ptr<curl_slist, ListDeleter> connectTo;
    bool ok = curl_easy_setopt(c, CURLOPT_URL, address.c_str()) == CURLE_OK &&
              curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "http,https") == CURLE_OK &&
              curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L) == CURLE_OK &&
              curl_easy_setopt(c, CURLOPT_USERAGENT, bearer ? "HTTP POST OpenAI" : "HTTP POST Example") == CURLE_OK &&
              curl_easy_setopt(c, CURLOPT_PROXY, "") == CURLE_OK &&  // direct, whatever the environment says
              curl_easy_setopt(c, CURLOPT_NOPROXY, "*") == CURLE_OK &&
              curl_easy_setopt(c, CURLOPT_HTTP_VERSION, CURL_HTTP_VERSION_1_1) == CURLE_OK &&
              curl_easy_setopt(c, CURLOPT_FOLLOWLOCATION, 0L) == CURLE_OK &&
              curl_easy_setopt(c, CURLOPT_POST, 1L) == CURLE_OK &&
              curl_easy_setopt(c, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size())) == CURLE_OK &&
              curl_easy_setopt(c, CURLOPT_POSTFIELDS, body.data()) == CURLE_OK &&
              curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT, s.connect_timeout_s) == CURLE_OK &&
              curl_easy_setopt(c, CURLOPT_TIMEOUT, s.timeout_s) == CURLE_OK &&
              // A declared length above the limit ends the transfer before the body.
              curl_easy_setopt(c, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(kMaxAnswerBytes)) == CURLE_OK &&
              curl_easy_setopt(c, CURLOPT_HEADERFUNCTION, OnHeader) == CURLE_OK &&
              curl_easy_setopt(c, CURLOPT_HEADERDATA, &t) == CURLE_OK &&
              curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, OnBody) == CURLE_OK &&
              curl_easy_setopt(c, CURLOPT_WRITEDATA, &t) == CURLE_OK;
    // Only these header lines besides Host and Content-Length.
    ok = ok && add("Content-Type: application/json") && (!bearer || add("Authorization: Bearer " + s.chat_key)) &&
         add("Accept:") && add("Expect:") && curl_easy_setopt(c, CURLOPT_HTTPHEADER, headers.get()) == CURLE_OK;
    if (ok && !s.connect_to.empty()) {
        // Connect elsewhere; the Host header and the certificate check keep the host name.
        connectTo.reset(curl_slist_append(nullptr, (host + ":" + port + ":" + s.connect_to).c_str()));
        ok = connectTo && curl_easy_setopt(c, CURLOPT_CONNECT_TO, connectTo.get()) == CURLE_OK;
    }
    if (!ok) return failure;
    if (secure) {
        // Full chain and host-name check; ca_file only chooses whom to trust.
        const bool certificates = curl_easy_setopt(c, CURLOPT_SSL_VERIFYPEER, 1L) == CURLE_OK &&
                                  curl_easy_setopt(c, CURLOPT_SSL_VERIFYHOST, 2L) == CURLE_OK &&
                                  (s.ca_file.empty() ||
                                   curl_easy_setopt(c, CURLOPT_CAINFO, s.ca_file.c_str()) == CURLE_OK);
        if (!certificates && !bearer) return failure;
    }
    const CURLcode r = Perform(c);
    if (t.tooLarge || r == CURLE_FILESIZE_EXCEEDED) return kAnswerTooLarge;
    if (r == CURLE_OK) return DecodeReplyBytes(t.body);
    // A time-out is a failed request wherever it strikes, the body included.
    if (r == CURLE_OPERATION_TIMEDOUT) return failure;
    return t.headersDone ? readFailure : failure;
}

}  // namespace

std::string PostJson(const std::string& url, const std::string& body, const WebSettings& s) {
    return Post(url, body, s, false);
}

std::string PostJsonBearer(const std::string& url, const std::string& body, const WebSettings& s) {
    return Post(url, body, s, true);
}

std::string GetUrlHost(const std::string& url) {
    const size_t slashes = url.find("//");
    if (slashes == std::string::npos) return "";
    const size_t start = slashes + 2, end = url.find('/', start);
    return url.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

std::string GetUrlPath(const std::string& url) {
    const size_t slashes = url.find("//");
    if (slashes == std::string::npos) return "/";
    const size_t at = url.find('/', slashes + 2);
    return at == std::string::npos ? "/" : url.substr(at);
}

}  // namespace vondrel::web
