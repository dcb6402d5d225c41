#include "gui/common/PreviewLoader.h"

#include <QFutureWatcher>
#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QPromise>
#include <QThreadPool>
#include <filesystem>
#include <memory>
#include <utility>

#include "core/imaging/LoadByExtension.h"

namespace fotoloom {
namespace {

using TPreviewWatcher = QFutureWatcher<QImage>;

QImage DecodeStretched(const std::string& file, QSize size, Qt::TransformationMode mode) {
  std::error_code error;
  if (!std::filesystem::is_regular_file(file, error)) return {};
  try {
    const TBitmap32 picture = LoadPictureByExtension(file);
    if (picture.Empty()) return {};
    // Photos are opaque: the fourth byte is not looked at.
    const QImage wrapped(reinterpret_cast<const uchar*>(picture.Bits()), picture.Width(),
                         picture.Height(), picture.Width() * 4, QImage::Format_RGB32);
    return wrapped.scaled(size, Qt::IgnoreAspectRatio, mode);
  } catch (const std::exception&) {
    return {};
  }
}

}  // namespace

void LoadPreview(QLabel* preview, const std::string& file, Qt::TransformationMode mode,
                 std::function<void(bool loaded)> done) {
  // The watcher of an earlier request goes, and its result with it.
  for (auto* earlier : preview->findChildren<TPreviewWatcher*>(Qt::FindDirectChildrenOnly))
    delete earlier;
  auto promise = std::make_shared<QPromise<QImage>>();
  auto* watcher = new TPreviewWatcher(preview);
  QObject::connect(
      watcher, &TPreviewWatcher::finished, preview, [preview, watcher, done = std::move(done)] {
        const QImage image = watcher->future().resultCount() ? watcher->result() : QImage();
        if (!image.isNull()) preview->setPixmap(QPixmap::fromImage(image));
        watcher->deleteLater();
        if (done) done(!image.isNull());
      });
  promise->start();
  watcher->setFuture(promise->future());
  QThreadPool::globalInstance()->start([promise, file, size = preview->size(), mode] {
    promise->addResult(DecodeStretched(file, size, mode));
    promise->finish();
  });
}

}  // namespace fotoloom
