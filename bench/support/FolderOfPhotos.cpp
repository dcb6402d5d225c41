#include "support/FolderOfPhotos.h"

#include <unistd.h>

#include <QFile>

#include <chrono>
#include <thread>

#include "core/imaging/Bitmap32.h"
#include "core/imaging/codecs/JpegWriter.h"

namespace fotoloom::bench {

bool WriteFirstPhoto(const QString& folder) {
  TBitmap32 picture(64, 48);
  picture.Fill(MakePixel(90, 140, 200));
  const std::vector<uint8_t> jpeg = EncodeJpeg(picture, 90);
  QFile first(folder + "/IMG_00000.jpg");
  if (!first.open(QIODevice::WriteOnly)) return false;
  return first.write(reinterpret_cast<const char*>(jpeg.data()),
                     static_cast<qint64>(jpeg.size())) == static_cast<qint64>(jpeg.size());
}

bool LinkPhotos(const QString& folder, int from, int to, bool paced) {
  const QByteArray first = QFile::encodeName(folder + "/IMG_00000.jpg");
  for (int i = from; i < to; ++i) {
    const QByteArray name =
        QFile::encodeName(folder + QString("/IMG_%1.jpg").arg(i, 5, 10, QChar('0')));
    if (::link(first.constData(), name.constData()) != 0) return false;
    if (paced && i % 100 == 0) std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return true;
}

}  // namespace fotoloom::bench
