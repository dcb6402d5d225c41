#pragma once

#include <curl/curl.h>

#include <memory>
#include <string>
#include <vector>

namespace fotoloom {

using TCurlHandle = std::unique_ptr<CURL, decltype(&curl_easy_cleanup)>;
using TCurlList = std::unique_ptr<curl_slist, decltype(&curl_slist_free_all)>;

// A new easy handle (libcurl initialised once for the program) that never raises signals
// and writes its error text into `error_buffer` (CURL_ERROR_SIZE characters).
TCurlHandle NewCurlHandle(char* error_buffer);

// A libcurl list of the texts, in their order.
TCurlList CurlList(const std::vector<std::string>& texts);

// The reason of a failed libcurl call: the error buffer's text when there is one, else the
// library's text for the code.
std::string CurlReason(CURLcode code, const char* error_buffer);

}  // namespace fotoloom
