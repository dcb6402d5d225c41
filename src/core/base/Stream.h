#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace fotoloom {

// A byte stream with a position, over memory or a file. Readers of image data take a
// TStream so that the stream forms and the file forms of the engine share one path.
class TStream {
 public:
  virtual ~TStream() = default;
  // Reads up to `count` bytes; returns how many were read (fewer only at the end).
  virtual size_t Read(void* buffer, size_t count) = 0;
  // Writes all `count` bytes or throws.
  virtual void Write(const void* buffer, size_t count) = 0;
  virtual void Seek(int64_t position) = 0;
  virtual int64_t Position() const = 0;
  // True once the work that reads this stream is to stop (see TCancellableStream); long
  // loops of a decoder that do not read poll it.
  virtual bool CancelRequested() const { return false; }
  // Throws Cancelled when CancelRequested().
  void ThrowIfCancelled() const;

  // Reads exactly `count` bytes; bytes past the end of the stream read as zero.
  // Returns how many were really read.
  size_t ReadZeroFilled(void* buffer, size_t count);
};

// The bytes from the stream's position to its end, for decoders that take a whole file.
std::vector<uint8_t> ReadToEnd(TStream& stream);
// How many bytes lie between the stream's position and its end; the position is kept.
int64_t BytesToEnd(TStream& stream);

class TMemoryStream : public TStream {
 public:
  TMemoryStream() = default;
  explicit TMemoryStream(std::vector<uint8_t> bytes) : m_bytes(std::move(bytes)) {}

  size_t Read(void* buffer, size_t count) override;
  void Write(const void* buffer, size_t count) override;
  void Seek(int64_t position) override;
  int64_t Position() const override { return static_cast<int64_t>(m_position); }

  const std::vector<uint8_t>& Bytes() const { return m_bytes; }

 private:
  std::vector<uint8_t> m_bytes;
  size_t m_position = 0;
};

// A file opened by the constructor and closed by the destructor. Reads are buffered;
// writes go straight to the file.
class TFileStream : public TStream {
 public:
  // Opens an existing file for reading; throws "Cannot open file ...".
  static TFileStream OpenRead(const std::string& path);
  // Takes over an open descriptor.
  TFileStream(int fd, std::string path) : m_fd(fd), m_path(std::move(path)) {}
  TFileStream(TFileStream&& other) noexcept;
  TFileStream& operator=(TFileStream&&) = delete;
  ~TFileStream() override;

  size_t Read(void* buffer, size_t count) override;
  void Write(const void* buffer, size_t count) override;
  void Seek(int64_t position) override;
  int64_t Position() const override;

  int Descriptor() const { return m_fd; }
  const std::string& Path() const { return m_path; }
  // Closes now and reports a failure to do so (a late write error); throws.
  void Close();

 private:
  int m_fd = -1;
  std::string m_path;
  std::vector<uint8_t> m_buffer;
  size_t m_buffer_pos = 0;      // next unread byte in m_buffer
  int64_t m_file_pos = 0;       // file offset of the end of m_buffer's valid bytes
};

}  // namespace fotoloom
