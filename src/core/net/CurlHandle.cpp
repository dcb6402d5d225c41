#include "core/net/CurlHandle.h"

#include <mutex>

#include "core/base/Error.h"

namespace fotoloom {

TCurlHandle NewCurlHandle(char* error_buffer) {
  static std::once_flag initialised;
  std::call_once(initialised, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
  TCurlHandle curl(curl_easy_init(), &curl_easy_cleanup);
  if (!curl) throw Error("Out of memory");
  error_buffer[0] = '\0';
  curl_easy_setopt(curl.get(), CURLOPT_ERRORBUFFER, error_buffer);
  curl_easy_setopt(curl.get(), CURLOPT_NOSIGNAL, 1L);
  return curl;
}

TCurlList CurlList(const std::vector<std::string>& texts) {
  TCurlList list(nullptr, &curl_slist_free_all);
  for (const std::string& text : texts) {
    curl_slist* longer = curl_slist_append(list.get(), text.c_str());
    if (longer == nullptr) throw Error("Out of memory");
    list.release();  // `longer` is the same list with one more item
    list.reset(longer);
  }
  return list;
}

std::string CurlReason(CURLcode code, const char* error_buffer) {
  std::string text = error_buffer != nullptr ? error_buffer : "";
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  return text.empty() ? curl_easy_strerror(code) : text;
}

}  // namespace fotoloom
