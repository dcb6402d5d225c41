#pragma once

#include <cstddef>
#include <functional>

namespace fotoloom::test {

// True when the tests run under a sanitizer, whose shadow memory makes an address-space
// limit meaningless.
bool UnderSanitizer();

// Runs `body` in a forked child whose address space is limited to what it uses now plus
// `headroom` bytes (ulimit -v), and returns the child's exit status, or 128 + the signal that
// ended it. `body` returns the child's exit status.
int RunWithMemoryLimit(size_t headroom, const std::function<int()>& body);

}  // namespace fotoloom::test
