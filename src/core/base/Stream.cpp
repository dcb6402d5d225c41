#include "core/base/Stream.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "core/base/Cancelled.h"
#include "core/base/SystemError.h"

namespace fotoloom {

void TStream::ThrowIfCancelled() const {
  if (CancelRequested()) throw Cancelled();
}

size_t TStream::ReadZeroFilled(void* buffer, size_t count) {
  size_t total = 0;
  auto* bytes = static_cast<uint8_t*>(buffer);
  while (total < count) {
    const size_t got = Read(bytes + total, count - total);
    if (got == 0) break;
    total += got;
  }
  std::memset(bytes + total, 0, count - total);
  return total;
}

std::vector<uint8_t> ReadToEnd(TStream& stream) {
  std::vector<uint8_t> bytes;
  constexpr size_t kChunk = 1 << 20;
  for (size_t read = kChunk; read == kChunk;) {
    const size_t old_size = bytes.size();
    bytes.resize(old_size + kChunk);
    read = stream.Read(bytes.data() + old_size, kChunk);
    bytes.resize(old_size + read);
  }
  return bytes;
}

int64_t BytesToEnd(TStream& stream) {
  const int64_t start = stream.Position();
  std::vector<uint8_t> chunk(64 * 1024);
  int64_t count = 0;
  for (size_t read = chunk.size(); read == chunk.size(); count += static_cast<int64_t>(read)) {
    read = stream.Read(chunk.data(), chunk.size());
  }
  stream.Seek(start);
  return count;
}

size_t TMemoryStream::Read(void* buffer, size_t count) {
  if (m_position >= m_bytes.size()) return 0;
  const size_t n = std::min(count, m_bytes.size() - m_position);
  std::memcpy(buffer, m_bytes.data() + m_position, n);
  m_position += n;
  return n;
}

void TMemoryStream::Write(const void* buffer, size_t count) {
  if (m_position + count > m_bytes.size()) m_bytes.resize(m_position + count);
  std::memcpy(m_bytes.data() + m_position, buffer, count);
  m_position += count;
}

void TMemoryStream::Seek(int64_t position) {
  m_position = static_cast<size_t>(std::max<int64_t>(0, position));
}

TFileStream TFileStream::OpenRead(const std::string& path) {
  // Without blocking: opening a named pipe would wait for a writer for ever. Only a regular
  // file is read, on which the flag changes nothing.
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) throw CannotOpenFileError(path, errno);
  TFileStream file(fd, path);
  struct stat info {};
  if (::fstat(fd, &info) != 0) throw CannotOpenFileError(path, errno);
  if (!S_ISREG(info.st_mode)) throw NotARegularFileError(path);
  return file;
}

TFileStream::TFileStream(TFileStream&& other) noexcept
    : m_fd(other.m_fd),
      m_path(std::move(other.m_path)),
      m_buffer(std::move(other.m_buffer)),
      m_buffer_pos(other.m_buffer_pos),
      m_file_pos(other.m_file_pos) {
  other.m_fd = -1;
}

TFileStream::~TFileStream() {
  if (m_fd >= 0) ::close(m_fd);
}

void TFileStream::Close() {
  const int fd = m_fd;
  m_fd = -1;
  if (fd >= 0 && ::close(fd) != 0 && errno != EINTR) {
    throw Error("Cannot write file \"" + m_path + "\". " + SystemErrorText(errno));
  }
}

size_t TFileStream::Read(void* buffer, size_t count) {
  auto* out = static_cast<uint8_t*>(buffer);
  size_t total = 0;
  while (total < count) {
    if (m_buffer_pos < m_buffer.size()) {
      const size_t n = std::min(count - total, m_buffer.size() - m_buffer_pos);
      std::memcpy(out + total, m_buffer.data() + m_buffer_pos, n);
      m_buffer_pos += n;
      total += n;
      continue;
    }
    // Large reads bypass the buffer.
    constexpr size_t kBufferSize = 64 * 1024;
    const bool direct = count - total >= kBufferSize;
    if (!direct) m_buffer.resize(kBufferSize);
    uint8_t* target = direct ? out + total : m_buffer.data();
    const size_t want = direct ? count - total : kBufferSize;
    ssize_t got;
    do {
      got = ::read(m_fd, target, want);
    } while (got < 0 && errno == EINTR);
    if (got < 0) throw Error("Cannot read file \"" + m_path + "\". " + SystemErrorText(errno));
    m_file_pos += got;
    if (direct) {
      m_buffer.clear();
      m_buffer_pos = 0;
      total += static_cast<size_t>(got);
      if (got == 0) break;
    } else {
      m_buffer.resize(static_cast<size_t>(got));
      m_buffer_pos = 0;
      if (got == 0) break;
    }
  }
  return total;
}

void TFileStream::Write(const void* buffer, size_t count) {
  if (!m_buffer.empty()) {
    // Leave read mode: put the file offset back where the reader stands.
    const int64_t position = Position();
    if (::lseek(m_fd, position, SEEK_SET) < 0) {
      throw Error("Cannot write file \"" + m_path + "\". " + SystemErrorText(errno));
    }
    m_buffer.clear();
    m_buffer_pos = 0;
    m_file_pos = position;
  }
  const auto* bytes = static_cast<const uint8_t*>(buffer);
  while (count > 0) {
    const ssize_t written = ::write(m_fd, bytes, count);
    if (written < 0) {
      if (errno == EINTR) continue;
      throw Error("Cannot write file \"" + m_path + "\". " + SystemErrorText(errno));
    }
    bytes += written;
    count -= static_cast<size_t>(written);
    m_file_pos += written;
  }
}

void TFileStream::Seek(int64_t position) {
  // Stay inside the read buffer when possible.
  const int64_t buffer_start = m_file_pos - static_cast<int64_t>(m_buffer.size());
  if (position >= buffer_start && position <= m_file_pos) {
    m_buffer_pos = static_cast<size_t>(position - buffer_start);
    return;
  }
  if (::lseek(m_fd, position, SEEK_SET) < 0) {
    throw Error("Cannot read file \"" + m_path + "\". " + SystemErrorText(errno));
  }
  m_buffer.clear();
  m_buffer_pos = 0;
  m_file_pos = position;
}

int64_t TFileStream::Position() const {
  return m_file_pos - static_cast<int64_t>(m_buffer.size() - m_buffer_pos);
}

}  // namespace fotoloom
