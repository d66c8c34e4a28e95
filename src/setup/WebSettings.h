// Where the web queries go: the service hosts, the chat key, the certificate
// authority and the time-outs. Read at each click from web.conf in the
// program folder ("name = value" lines, "#" comments); an environment
// variable VONDREL_ + the name in capitals wins over the file. Nothing is
// built in: without a host (or the key) no request is sent.
#pragma once

#include <functional>
#include <optional>
#include <string>

namespace vondrel::web {

struct WebSettings {
    std::string annotation_host, annotation_page_host, chat_host, chat_key;
    std::string ca_file;     // the certificate authority to trust instead of the system's
    std::string connect_to;  // "address:port" to connect to in place of the host's
    long connect_timeout_s = 30, timeout_s = 120;
};

using EnvLookup = std::function<std::optional<std::string>(const std::string&)>;

// The process environment.
std::optional<std::string> ProcessEnv(const std::string& name);

// Reads `folder`/web.conf (a missing file is no error) and the variables.
// Unknown names are ignored; a time-out that is not a positive whole number
// keeps its default.
WebSettings LoadWebSettings(const std::string& folder, const EnvLookup& env = ProcessEnv);

// What a query needs: the annotation search its host, the chat query its
// host and key, the web page its page host. "" when usable, else the text of
// a box naming the setting (never the key's value).
enum class WebService { AnnotationSearch, Chat, AnnotationPage };
std::string CheckWebSettings(const WebSettings& s, WebService service);

}  // namespace vondrel::web
