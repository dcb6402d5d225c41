#include "gui/common/PreviewLoader.h"

#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <filesystem>
#include <utility>

#include "core/base/Error.h"
#include "core/base/Stream.h"
#include "core/imaging/LoadByExtension.h"
#include "core/imaging/LoadPicture.h"
#include "gui/common/BackgroundWork.h"

namespace fotoloom {
namespace {

// A file stream that stops a decode once its load is superseded: the decoders read their
// data a few rows at a time, so the check comes between rows.
class TCancellableStream : public TStream {
 public:
  TCancellableStream(TStream& stream, const TBackgroundWork::TJob& job)
      : m_stream(stream), m_job(job) {}

  size_t Read(void* buffer, size_t count) override {
    if (m_job.Cancelled()) throw Error("Cancelled");
    return m_stream.Read(buffer, count);
  }
  void Write(const void* buffer, size_t count) override { m_stream.Write(buffer, count); }
  void Seek(int64_t position) override { m_stream.Seek(position); }
  int64_t Position() const override { return m_stream.Position(); }

 private:
  TStream& m_stream;
  const TBackgroundWork::TJob& m_job;
};

QImage DecodeStretched(const std::string& file, QSize size, Qt::TransformationMode mode,
                       const TBackgroundWork::TJob& job) {
  std::error_code error;
  if (!std::filesystem::is_regular_file(file, error)) return {};
  try {
    const TImageType type = ImageTypeFromExtension(file);
    TFileStream stream = TFileStream::OpenRead(file);
    TCancellableStream cancellable(stream, job);
    TBitmap32 picture;
    LoadPicture(cancellable, type, picture);
    if (picture.Empty() || job.Cancelled()) return {};
    // Photos are opaque: the fourth byte is not looked at.
    const QImage wrapped(reinterpret_cast<const uchar*>(picture.Bits()), picture.Width(),
                         picture.Height(), picture.Width() * 4, QImage::Format_RGB32);
    // `scaled` hands back the wrapper itself when the size already matches; the picture it
    // points into ends with this function.
    if (wrapped.size() == size) return wrapped.copy();
    return wrapped.scaled(size, Qt::IgnoreAspectRatio, mode);
  } catch (const std::exception&) {
    return {};
  }
}

// The loads of one preview: one at a time, a newer one cancels the one before.
class TPreviewLoads : public QObject {
 public:
  explicit TPreviewLoads(QLabel* preview) : QObject(preview) {}
  TBackgroundWork work{this};
};

}  // namespace

void LoadPreview(QLabel* preview, const std::string& file, Qt::TransformationMode mode,
                 std::function<void(bool loaded)> done) {
  TPreviewLoads* loads = nullptr;
  for (QObject* child : preview->children())
    if ((loads = dynamic_cast<TPreviewLoads*>(child))) break;
  if (!loads) loads = new TPreviewLoads(preview);
  loads->work.Replace(
      [file, size = preview->size(), mode](const TBackgroundWork::TJob& job) {
        return DecodeStretched(file, size, mode, job);
      },
      [preview, done = std::move(done)](const QImage& image) {
        if (!image.isNull()) preview->setPixmap(QPixmap::fromImage(image));
        if (done) done(!image.isNull());
      });
}

}  // namespace fotoloom
