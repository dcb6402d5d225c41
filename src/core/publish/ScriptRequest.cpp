#include "core/publish/ScriptRequest.h"

#include "core/base/Error.h"
#include "core/net/CurlHandle.h"

namespace fotoloom {

namespace {

constexpr size_t kMaxPage = 4 * 1024 * 1024;

size_t Discard(char*, size_t size, size_t count, void*) { return size * count; }

size_t Collect(char* data, size_t size, size_t count, void* page) {
  auto* text = static_cast<std::string*>(page);
  if (text->size() + size * count > kMaxPage) return 0;
  text->append(data, size * count);
  return size * count;
}

void SetUp(CURL* curl, const std::string& url, long limit_ms) {
  curl_easy_setopt(curl, CURLOPT_URL, RequestAddress(url).c_str());
  curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, limit_ms);
  curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(curl, CURLOPT_MAXREDIRS, 5L);
  curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
}

int StopWhenAsked(void* stop, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
  const auto& asked = *static_cast<const std::function<bool()>*>(stop);
  return asked && asked() ? 1 : 0;
}

}  // namespace

std::string RequestAddress(const std::string& url) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string result;
  for (const char c : url) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte <= ' ' || byte >= 0x7F || c == '"' || c == '<' || c == '>' || c == '`') {
      result += '%';
      result += kHex[byte >> 4];
      result += kHex[byte & 15];
    } else {
      result += c;
    }
  }
  return result;
}

void CallScript(const std::string& url, std::chrono::milliseconds limit,
                const std::function<bool()>& stop) {
  char error[CURL_ERROR_SIZE];
  try {
    TCurlHandle curl = NewCurlHandle(error);
    SetUp(curl.get(), url, static_cast<long>(limit.count()));
    curl_easy_setopt(curl.get(), CURLOPT_WRITEFUNCTION, &Discard);
    curl_easy_setopt(curl.get(), CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(curl.get(), CURLOPT_XFERINFOFUNCTION, &StopWhenAsked);
    curl_easy_setopt(curl.get(), CURLOPT_XFERINFODATA, &stop);
    curl_easy_perform(curl.get());
  } catch (const Error&) {
    // a request that cannot even be made goes unnoticed like one that fails
  }
}

std::string FetchPage(const std::string& url, const std::function<bool()>& stop) {
  char error[CURL_ERROR_SIZE];
  TCurlHandle curl = NewCurlHandle(error);
  SetUp(curl.get(), url, 30000);
  std::string page;
  curl_easy_setopt(curl.get(), CURLOPT_WRITEFUNCTION, &Collect);
  curl_easy_setopt(curl.get(), CURLOPT_WRITEDATA, &page);
  curl_easy_setopt(curl.get(), CURLOPT_FAILONERROR, 1L);
  curl_easy_setopt(curl.get(), CURLOPT_NOPROGRESS, 0L);
  curl_easy_setopt(curl.get(), CURLOPT_XFERINFOFUNCTION, &StopWhenAsked);
  curl_easy_setopt(curl.get(), CURLOPT_XFERINFODATA, &stop);
  const CURLcode code = curl_easy_perform(curl.get());
  if (code != CURLE_OK) throw Error(CurlReason(code, error));
  return page;
}

}  // namespace fotoloom
