#include "gui/common/PreviewLoader.h"

#include <sys/stat.h>

#include <QLabel>
#include <QPixmap>
#include <filesystem>
#include <utility>

#include "core/base/CancellableStream.h"
#include "core/imaging/LoadByExtension.h"
#include "core/imaging/LoadPicture.h"
#include "gui/common/BackgroundWork.h"

namespace fotoloom {
namespace {

struct TDecoded {
  QImage stretched;
  TKeptPicture kept;
};

TDecoded Decode(const std::string& file, QSize size, Qt::TransformationMode mode, bool keep_picture,
                const TBackgroundWork::TJob& job) {
  std::error_code error;
  if (!std::filesystem::is_regular_file(file, error)) return {};
  try {
    const TImageType type = ImageTypeFromExtension(file);
    // The file's state before it is read: a change while it is read makes the stamp stale.
    TKeptPicture kept = KeepPicture(file, nullptr);
    TFileStream stream = TFileStream::OpenRead(file);
    // A superseded load stops inside the decoder, not only at its end.
    TCancellableStream cancellable(stream, job.CancelFlag());
    auto picture = std::make_shared<TBitmap32>();
    LoadPicture(cancellable, type, *picture);
    if (picture->Empty() || job.Cancelled()) return {};
    QImage stretched = StretchedImage(*picture, size, mode);
    if (keep_picture) kept.picture = std::move(picture);
    return {std::move(stretched), std::move(kept)};
  } catch (const std::exception&) {
    return {};
  }
}

// The loads of one preview and the picture it keeps: one load at a time, a newer one
// cancels the one before.
class TPreviewLoads : public QObject {
 public:
  explicit TPreviewLoads(QLabel* preview) : QObject(preview) {}
  TBackgroundWork work{this};
  TKeptPicture kept;
};

TPreviewLoads& LoadsOf(QLabel* preview) {
  for (QObject* child : preview->children())
    if (auto* loads = dynamic_cast<TPreviewLoads*>(child)) return *loads;
  return *new TPreviewLoads(preview);
}

}  // namespace

QImage StretchedImage(const TBitmap32& picture, QSize size, Qt::TransformationMode mode) {
  if (picture.Empty()) return {};
  // Photos are opaque: the fourth byte is not looked at.
  const QImage wrapped(reinterpret_cast<const uchar*>(picture.Bits()), picture.Width(),
                       picture.Height(), picture.Width() * 4, QImage::Format_RGB32);
  // `scaled` hands back the wrapper itself when the size already matches; the picture it
  // points into may go before the image.
  if (wrapped.size() == size) return wrapped.copy();
  return wrapped.scaled(size, Qt::IgnoreAspectRatio, mode);
}

bool TKeptPicture::FileUnchanged() const {
  if (!picture) return false;
  const TKeptPicture now = KeepPicture(file, nullptr);
  return now.size == size && now.modified_ns == modified_ns && now.device == device &&
         now.inode == inode;
}

TKeptPicture KeepPicture(std::string file, std::shared_ptr<const TBitmap32> picture) {
  TKeptPicture kept{std::move(file), std::move(picture)};
  struct stat info;
  if (::stat(kept.file.c_str(), &info) != 0) {
    kept.picture.reset();
    return kept;
  }
  kept.modified_ns =
      static_cast<int64_t>(info.st_mtim.tv_sec) * 1'000'000'000 + info.st_mtim.tv_nsec;
  kept.size = info.st_size;
  kept.device = info.st_dev;
  kept.inode = info.st_ino;
  return kept;
}

void LoadPreview(QLabel* preview, const std::string& file, Qt::TransformationMode mode,
                 std::function<void(bool loaded)> done, bool keep_picture) {
  TPreviewLoads& loads = LoadsOf(preview);
  loads.work.Replace(
      [file, size = preview->size(), mode, keep_picture](const TBackgroundWork::TJob& job) {
        return Decode(file, size, mode, keep_picture, job);
      },
      [preview, &loads, done = std::move(done)](TDecoded decoded) {
        const bool loaded = !decoded.stretched.isNull();
        if (loaded) {
          preview->setPixmap(QPixmap::fromImage(decoded.stretched));
          loads.kept = std::move(decoded.kept);
        }
        if (done) done(loaded);
      });
}

void CancelPreviewLoads(QLabel* preview) {
  LoadsOf(preview).work.CancelAll();
}

TKeptPicture KeptPicture(QLabel* preview) {
  return LoadsOf(preview).kept;
}

void ShowKeptPicture(QLabel* preview, const QImage& stretched, TKeptPicture kept) {
  CancelPreviewLoads(preview);
  TPreviewLoads& loads = LoadsOf(preview);
  preview->setPixmap(QPixmap::fromImage(stretched));
  loads.kept = std::move(kept);
}

}  // namespace fotoloom
