#pragma once

#include <QHash>
#include <QImage>
#include <QObject>
#include <QString>

#include <memory>

namespace fotoloom {

// Makes thumbnails of photo files off the UI thread and keeps them in memory. JPEGs are
// decoded reduced in the DCT; the freedesktop.org thumbnail cache
// ($XDG_CACHE_HOME/thumbnails/normal and large) is read first and written after, as file
// managers do. EXIF orientation is not applied. Every call and every signal is on the UI
// thread.
class TThumbnailLoader : public QObject {
  Q_OBJECT

 public:
  // `size`: the longest side of the thumbnails, in device pixels.
  explicit TThumbnailLoader(int size, QObject* parent = nullptr);
  ~TThumbnailLoader() override;

  // Forgets the requests still waiting (a folder change); thumbnails already made stay.
  void CancelPending();
  // Asks for the thumbnail of `path`; Ready follows when it is made (at once when cached).
  void Request(const QString& path);
  // Drops the thumbnail kept for `path`, whose file has changed.
  void Forget(const QString& path);
  // The thumbnail made for `path`, or a null image.
  QImage Cached(const QString& path) const;

 signals:
  void Ready(const QString& path, const QImage& thumbnail);

 private:
  struct Impl;
  std::unique_ptr<Impl> m;
};

}  // namespace fotoloom
