#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

namespace fotoloom {

// The thumbnail cache that file managers share ($XDG_CACHE_HOME/thumbnails, the
// freedesktop.org Thumbnail Managing Standard): one PNG per photo, named after the MD5 of
// the photo's file URI, that holds the URI and the photo's modification time in its text
// chunks. Safe to use from any thread.
class TSharedThumbnailCache {
 public:
  // The cache folder whose thumbnails are the smallest that still reach `size` pixels
  // ("normal" 128, "large" 256, "x-large" 512, "xx-large" 1024); none above 1024.
  explicit TSharedThumbnailCache(int size);

  bool Usable() const { return m_side > 0; }
  // The longest side of the thumbnails in the folder.
  int Side() const { return m_side; }
  const QString& Folder() const { return m_folder; }

  // The thumbnail of `path` when the cache holds one for its modification time (whole
  // seconds since the epoch); else a null image.
  QImage Read(const QString& path, qint64 mtime) const;
  // Stores the thumbnail of `path` through a temporary file and a rename; folders are made
  // with mode 0700, the file gets 0600. Photos inside the cache itself are never stored.
  // A failure to write is not an error: the cache is only a help.
  void Write(const QString& path, qint64 mtime, const QImage& thumbnail) const;

  // "file://" and the percent-encoded absolute path.
  static QByteArray Uri(const QString& path);
  // Where the thumbnail of `path` is stored.
  QString FileFor(const QString& path) const;

 private:
  QString m_root;  // $XDG_CACHE_HOME/thumbnails
  QString m_folder;
  int m_side = 0;
};

}  // namespace fotoloom
