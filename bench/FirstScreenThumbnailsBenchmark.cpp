// The first screen of a folder of 40 camera photos (12 and 24 megapixels) in the thumbnail
// browser, never seen before (an empty thumbnail cache): the time until every one of them
// shows its thumbnail. Once with the small picture that cameras store in the EXIF block, once
// with the same photos without it. Runs on the offscreen platform, with the browser's own two
// worker threads. The photos are written just before, so they are in the page cache.
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QListView>
#include <QTemporaryDir>

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <vector>

#include "core/imaging/Bitmap32.h"
#include "core/imaging/codecs/JpegWriter.h"
#include "core/imaging/resample/Resampler.h"
#include "gui/browse/FolderItemsModel.h"
#include "gui/browse/ThumbnailBrowser.h"
#include "support/TestJpeg.h"

namespace {

constexpr int kPhotos = 40;

// Smooth light and a fine texture, so that the JPEG holds detail as a photo does.
fotoloom::TBitmap32 CameraPicture(int width, int height) {
  fotoloom::TBitmap32 picture(width, height);
  uint32_t noise = 12345;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      noise = noise * 1103515245u + 12345u;
      const int grain = static_cast<int>((noise >> 16) & 15) - 8;
      const double wave = 40 * std::sin(x * 0.01) * std::cos(y * 0.013);
      const auto clamp = [](double v) {
        return static_cast<uint8_t>(std::fmin(255, std::fmax(0, v)));
      };
      picture.At(x, y) =
          fotoloom::MakePixel(clamp(90 + x * 100.0 / width + wave + grain),
                              clamp(120 + wave + grain), clamp(200 - y * 120.0 / height + grain));
    }
  }
  return picture;
}

// The JPEG of a camera: an EXIF block with a thumbnail of the photo's shape, or none.
std::vector<uint8_t> CameraJpeg(const fotoloom::TBitmap32& picture, bool with_thumbnail) {
  std::vector<uint8_t> jpeg = fotoloom::EncodeJpeg(picture, 92);
  if (!with_thumbnail) return jpeg;
  const int thumb_height = 160 * picture.Height() / picture.Width();
  const std::vector<uint8_t> exif = fotoloom::test::ExifWithThumbnail(
      1, fotoloom::EncodeJpeg(fotoloom::ResamplePicture(picture, 160, thumb_height), 90));
  const auto length = static_cast<uint16_t>(exif.size() + 2);
  std::vector<uint8_t> result(jpeg.begin(), jpeg.begin() + 2);
  result.insert(result.end(),
                {0xFF, 0xE1, static_cast<uint8_t>(length >> 8), static_cast<uint8_t>(length)});
  result.insert(result.end(), exif.begin(), exif.end());
  result.insert(result.end(), jpeg.begin() + 2, jpeg.end());
  return result;
}

bool WriteFile(const QString& path, const std::vector<uint8_t>& bytes) {
  QFile file(path);
  return file.open(QIODevice::WriteOnly) &&
         file.write(reinterpret_cast<const char*>(bytes.data()),
                    static_cast<qint64>(bytes.size())) == static_cast<qint64>(bytes.size());
}

// Half 12 MP (4:3), half 24 MP (3:2), as hard links of two photos.
bool WriteFolder(const QString& folder, bool with_thumbnails) {
  QDir().mkpath(folder);
  const QString twelve = folder + "/base12.jpg", twenty_four = folder + "/base24.jpg";
  if (!WriteFile(twelve, CameraJpeg(CameraPicture(4000, 3000), with_thumbnails)) ||
      !WriteFile(twenty_four, CameraJpeg(CameraPicture(6000, 4000), with_thumbnails)))
    return false;
  for (int i = 0; i < kPhotos; ++i) {
    const QString name = folder + QString("/IMG_%1.JPG").arg(i, 4, 10, QChar('0'));
    if (::link(QFile::encodeName(i % 2 ? twenty_four : twelve).constData(),
               QFile::encodeName(name).constData()) != 0)
      return false;
  }
  return QFile::remove(twelve) && QFile::remove(twenty_four);
}

// Milliseconds until all photos show a thumbnail; -1 when they do not within a minute.
qint64 FirstScreen(const QString& folder, const QString& cache) {
  qputenv("XDG_CACHE_HOME", QFile::encodeName(cache));  // empty: nothing seen before
  fotoloom::TThumbnailBrowser browser;
  browser.resize(1400, 1000);
  browser.show();
  QApplication::processEvents();
  QElapsedTimer clock;
  clock.start();
  browser.SetFolder(folder);
  fotoloom::TFolderItemsModel& items = browser.Items();
  const auto all_shown = [&] {
    if (items.rowCount() < kPhotos) return false;
    for (int row = 0; row < kPhotos; ++row) {
      if (items.index(row, 0).data(Qt::DecorationRole).typeId() != QMetaType::QPixmap) return false;
    }
    return true;
  };
  while (!all_shown()) {
    QApplication::processEvents(QEventLoop::AllEvents, 1);
    if (clock.elapsed() > 60000) return -1;
  }
  const qint64 elapsed = clock.elapsed();
  QListView* view = browser.ThumbnailView();
  if (!view->viewport()->rect().intersects(view->visualRect(items.index(kPhotos - 1, 0)))) {
    std::fprintf(stderr, "the window does not show all %d photos at once\n", kPhotos);
    return -1;
  }
  return elapsed;
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  QTemporaryDir home;
  qputenv("HOME", QFile::encodeName(home.path()));
  if (!WriteFolder(home.filePath("camera"), true) || !WriteFolder(home.filePath("plain"), false))
    return 1;
  const qint64 own = FirstScreen(home.filePath("camera"), home.filePath("cache1"));
  const qint64 decoded = FirstScreen(home.filePath("plain"), home.filePath("cache2"));
  if (own < 0 || decoded < 0) return 1;
  std::printf(
      "first screen of %d camera photos (12 and 24 MP), thumbnail cache empty: %lld ms with "
      "their EXIF thumbnails, %lld ms decoding the photos\n",
      kPhotos, static_cast<long long>(own), static_cast<long long>(decoded));
  return 0;
}
