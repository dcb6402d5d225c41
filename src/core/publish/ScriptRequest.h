#pragma once

#include <chrono>
#include <functional>
#include <string>

namespace fotoloom {

// The address as a browser sends it: blanks, control characters, quotes, angle brackets,
// backticks and bytes beyond ASCII percent-encoded; everything else as it stands.
std::string RequestAddress(const std::string& url);

// Issues an HTTP GET of a script address and gives it at most `limit`, less when `stop`
// turns true meanwhile; the answer and any failure are ignored (the script registers the
// photo on its own side).
void CallScript(const std::string& url, std::chrono::milliseconds limit,
                const std::function<bool()>& stop = {});

// The page at an address, for showing it (at most 30 seconds, less when `stop` turns true;
// the body up to 4 MB). Throws Error with the reason when it cannot be fetched or the
// server answers with an error status.
std::string FetchPage(const std::string& url, const std::function<bool()>& stop = {});

}  // namespace fotoloom
