#include "gui/browse/SharedThumbnailCache.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QImageReader>
#include <QImageWriter>
#include <QSaveFile>
#include <QStandardPaths>
#include <QUrl>

namespace fotoloom {
namespace {

constexpr QFile::Permissions kOwnerOnly = QFile::ReadOwner | QFile::WriteOwner;
constexpr QFile::Permissions kOwnerOnlyFolder = kOwnerOnly | QFile::ExeOwner;

bool MakeOwnerOnlyFolder(const QString& folder) {
  return QFileInfo::exists(folder) || QDir().mkdir(folder, kOwnerOnlyFolder);
}

uint32_t Crc32(const QByteArray& bytes) {
  uint32_t crc = 0xFFFFFFFFu;
  for (const char byte : bytes) {
    crc ^= static_cast<uint8_t>(byte);
    for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return ~crc;
}

QByteArray BigEndian(uint32_t value) {
  const char bytes[] = {char(value >> 24), char(value >> 16), char(value >> 8), char(value)};
  return QByteArray(bytes, 4);
}

// An uncompressed tEXt chunk. Qt would compress values of 40 characters and more into zTXt,
// which GLib's check of thumbnails does not read, so file managers would make them again.
QByteArray TextChunk(const QByteArray& key, const QByteArray& value) {
  const QByteArray body = "tEXt" + key + '\0' + value;
  return BigEndian(static_cast<uint32_t>(body.size() - 4)) + body + BigEndian(Crc32(body));
}

}  // namespace

TSharedThumbnailCache::TSharedThumbnailCache(int size) {
  struct Folder {
    const char* name;
    int side;
  };
  static constexpr Folder kFolders[] = {
      {"normal", 128}, {"large", 256}, {"x-large", 512}, {"xx-large", 1024}};
  m_root = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) + "/thumbnails";
  for (const Folder& folder : kFolders) {
    if (size <= folder.side) {
      m_folder = m_root + '/' + folder.name;
      m_side = folder.side;
      return;
    }
  }
}

QByteArray TSharedThumbnailCache::Uri(const QString& path) {
  return QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()).toEncoded();
}

QString TSharedThumbnailCache::FileFor(const QString& path) const {
  const QByteArray md5 = QCryptographicHash::hash(Uri(path), QCryptographicHash::Md5).toHex();
  return m_folder + '/' + QString::fromLatin1(md5) + ".png";
}

QImage TSharedThumbnailCache::Read(const QString& path, qint64 mtime) const {
  if (!Usable()) return {};
  // QImageReader::text() cannot be used: it splits its keys at the first colon.
  QImageReader reader(FileFor(path), "png");
  const QImage thumbnail = reader.read();
  if (thumbnail.text("Thumb::MTime") != QString::number(mtime) ||
      thumbnail.text("Thumb::URI") != QString::fromLatin1(Uri(path)))
    return {};
  return thumbnail;
}

void TSharedThumbnailCache::Write(const QString& path, qint64 mtime,
                                  const QImage& thumbnail) const {
  if (!Usable() || QFileInfo(path).absoluteFilePath().startsWith(m_root + '/')) return;
  if (!QDir().mkpath(QFileInfo(m_root).path()) || !MakeOwnerOnlyFolder(m_root) ||
      !MakeOwnerOnlyFolder(m_folder))
    return;
  QByteArray png;
  QBuffer buffer(&png);
  if (!buffer.open(QIODevice::WriteOnly) || !QImageWriter(&buffer, "png").write(thumbnail)) return;
  // After the IHDR chunk, which follows the 8-byte signature and takes 25 bytes.
  png.insert(33, TextChunk("Thumb::URI", Uri(path)) +
                     TextChunk("Thumb::MTime", QByteArray::number(mtime)) +
                     TextChunk("Software", "Fotoloom"));
  QSaveFile file(FileFor(path));
  if (file.open(QIODevice::WriteOnly) && file.setPermissions(kOwnerOnly) &&
      file.write(png) == png.size())
    file.commit();
}

}  // namespace fotoloom
