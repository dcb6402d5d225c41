#include "core/base/CancellableStream.h"

namespace fotoloom {

size_t TCancellableStream::Read(void* buffer, size_t count) {
  ThrowIfCancelled();
  return m_stream.Read(buffer, count);
}

}  // namespace fotoloom
