#pragma once

#include <curl/curl.h>

#include <string>

namespace fotoloom {

// What went wrong with a server, as the user reads it: a Dutch sentence that says what
// failed (the server cannot be reached, the password was refused, the certificate is not
// trusted, the server stopped answering, ...) followed by the technical text in
// parentheses. `server` is "host:port"; `refusal` is the server's own last refusal
// ("535 5.7.8 ..."), empty when it sent none; `technical` is libcurl's text.
std::string NetFailureText(CURLcode code, const std::string& server, const std::string& refusal,
                           const std::string& technical);

}  // namespace fotoloom
