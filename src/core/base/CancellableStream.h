#pragma once

#include <atomic>

#include "core/base/Stream.h"

namespace fotoloom {

// A stream over another that stops the work reading it once `cancelled` is set: every read
// then throws Cancelled, and the decoders' long loops that do not read poll
// CancelRequested() through the stream they were given.
class TCancellableStream : public TStream {
 public:
  TCancellableStream(TStream& stream, const std::atomic<bool>& cancelled)
      : m_stream(stream), m_cancelled(cancelled) {}

  size_t Read(void* buffer, size_t count) override;
  void Write(const void* buffer, size_t count) override { m_stream.Write(buffer, count); }
  void Seek(int64_t position) override { m_stream.Seek(position); }
  int64_t Position() const override { return m_stream.Position(); }
  bool CancelRequested() const override { return m_cancelled.load(std::memory_order_relaxed); }

 private:
  TStream& m_stream;
  const std::atomic<bool>& m_cancelled;
};

}  // namespace fotoloom
