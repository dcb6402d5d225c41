#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

#include "core/imaging/Bitmap32.h"
#include "core/imaging/codecs/JpegWriter.h"

namespace fotoloom::test {

// Writes a JPEG of one colour; false when the file cannot be written.
inline bool WriteTestPhoto(const QString& path, int width, int height,
                           TPixel32 colour = MakePixel(200, 60, 30)) {
  TBitmap32 picture(width, height);
  picture.Fill(colour);
  const std::vector<uint8_t> bytes = EncodeJpeg(picture, 90);
  QFile file(path);
  return file.open(QIODevice::WriteOnly) &&
         file.write(reinterpret_cast<const char*>(bytes.data()),
                    static_cast<qint64>(bytes.size())) == static_cast<qint64>(bytes.size());
}

inline bool WriteTextFile(const QString& path, const QByteArray& content) {
  QFile file(path);
  return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

inline QByteArray ReadWholeFile(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}  // namespace fotoloom::test
