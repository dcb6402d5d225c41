#include "gui/browse/ThumbnailLoader.h"

#include <QCache>
#include <QFileInfo>
#include <QSet>
#include <cstring>
#include <exception>

#include "core/base/Stream.h"
#include "core/imaging/Thumbnail.h"
#include "gui/browse/SharedThumbnailCache.h"
#include "gui/common/BackgroundWork.h"

namespace fotoloom {
namespace {

// About 2000 thumbnails of 128 pixels.
constexpr qsizetype kMemoryBudgetKiB = 96 * 1024;

QImage ToImage(const TBitmap32& picture) {
  // Thumbnails are opaque; RGB32 paints faster and is stored as a plain RGB PNG.
  QImage image(picture.Width(), picture.Height(), QImage::Format_RGB32);
  const size_t row_bytes = static_cast<size_t>(picture.Width()) * 4;
  for (int y = 0; y < picture.Height(); ++y)
    std::memcpy(image.scanLine(y), picture.Row(y), row_bytes);
  return image;
}

QImage FitInto(const QImage& image, int size) {
  if (image.width() <= size && image.height() <= size) return image;
  return image.scaled(size, size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

struct TMade {
  QImage thumbnail;  // null when the photo could not be decoded
  qint64 mtime = -1;
  QImage to_store;   // a fresh decode for the shared cache, null when it came from there
};

// Runs on a worker: the shared cache first, else a decode, which the caller stores there once
// it is shown.
TMade MakeThumbnail(const QString& path, int size, qint64 failed_mtime) {
  const QFileInfo info(path);
  if (!info.isFile()) return {};
  TMade made{{}, info.lastModified().toSecsSinceEpoch()};
  if (made.mtime == failed_mtime) return made;
  const TSharedThumbnailCache cache(size);
  QImage thumbnail = cache.Read(path, made.mtime);
  if (thumbnail.isNull()) {
    try {
      TFileStream stream = TFileStream::OpenRead(path.toStdString());
      thumbnail = ToImage(LoadThumbnail(stream, cache.Usable() ? cache.Side() : size));
    } catch (const std::exception&) {
      return made;
    }
    made.to_store = thumbnail;
  }
  made.thumbnail = FitInto(thumbnail, size);
  return made;
}

}  // namespace

struct TThumbnailLoader::Impl {
  explicit Impl(QObject* receiver) : work(receiver, 2) {}

  int size = 0;
  QSet<QString> pending;  // requested since the last cancel, not yet made
  QCache<QString, QImage> memory{kMemoryBudgetKiB};
  QHash<QString, qint64> failed;  // path -> the modification time that could not be decoded
  TBackgroundWork work;           // last: waited for before the rest goes
};

TThumbnailLoader::TThumbnailLoader(int size, QObject* parent)
    : QObject(parent), m(std::make_unique<Impl>(this)) {
  m->size = size;
}

TThumbnailLoader::~TThumbnailLoader() = default;

void TThumbnailLoader::CancelPending() {
  m->work.CancelAll();
  m->pending.clear();
}

void TThumbnailLoader::Request(const QString& path) {
  if (const QImage* cached = m->memory.object(path)) {
    emit Ready(path, *cached);
    return;
  }
  if (m->pending.contains(path)) return;
  m->pending.insert(path);
  m->work.Start(
      [path, size = m->size, failed_mtime = m->failed.value(path, -1)](
          const TBackgroundWork::TJob&) { return MakeThumbnail(path, size, failed_mtime); },
      [this, path](const TMade& made) {
        m->pending.remove(path);
        if (made.thumbnail.isNull()) {
          if (made.mtime >= 0) m->failed.insert(path, made.mtime);
          return;
        }
        m->failed.remove(path);
        m->memory.insert(path, new QImage(made.thumbnail),
                         std::max<qsizetype>(1, made.thumbnail.sizeInBytes() / 1024));
        emit Ready(path, made.thumbnail);
        // Writing the file waits on the disk: it queues behind the thumbnails still to make,
        // so that a screen of new photos fills first.
        if (!made.to_store.isNull()) {
          m->work.Start(
              [path, size = m->size, mtime = made.mtime, image = made.to_store](
                  const TBackgroundWork::TJob&) {
                TSharedThumbnailCache(size).Write(path, mtime, image);
                return true;
              },
              [](bool) {});
        }
      });
}

void TThumbnailLoader::Forget(const QString& path) {
  m->memory.remove(path);
}

QImage TThumbnailLoader::Cached(const QString& path) const {
  const QImage* cached = m->memory.object(path);
  return cached ? *cached : QImage();
}

}  // namespace fotoloom
