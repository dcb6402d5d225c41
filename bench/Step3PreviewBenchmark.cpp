// Holding the Down key in the result list of step 3 through 30 photos of 18 megapixels
// (5184 x 3456), at a key repeat of 30 per second: the longest time the UI thread went
// without turning its event loop (a 1 ms timer measures the gaps), how many preview loads
// began, and how long after the last key the last photo was shown. Offscreen platform.
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLabel>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeView>

#include <algorithm>
#include <cstdio>

#include "core/imaging/codecs/JpegWriter.h"
#include "core/lists/ListEntry.h"
#include "gui/common/PhotoListModel.h"
#include "gui/run/ResultPreview.h"
#include "gui/window/TFormMain.h"

namespace {

constexpr int kPhotos = 30;
constexpr int kWidth = 5184;
constexpr int kHeight = 3456;
constexpr int kRepeatMs = 33;

// A photo with detail in it, so that it decodes at the cost of a real one.
bool WritePhoto(const QString& path) {
  fotoloom::TBitmap32 picture(kWidth, kHeight);
  for (int y = 0; y < kHeight; ++y) {
    fotoloom::TPixel32* row = picture.Row(y);
    for (int x = 0; x < kWidth; ++x)
      row[x] = fotoloom::MakePixel(static_cast<uint8_t>(x * 7 ^ y * 3), static_cast<uint8_t>(x + y),
                                   static_cast<uint8_t>(x * y >> 4));
  }
  const std::vector<uint8_t> jpeg = fotoloom::EncodeJpeg(picture, 90);
  QFile file(path);
  return file.open(QIODevice::WriteOnly) &&
         file.write(reinterpret_cast<const char*>(jpeg.data()), static_cast<qint64>(jpeg.size())) ==
             static_cast<qint64>(jpeg.size());
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  QTemporaryDir home;
  qputenv("HOME", QFile::encodeName(home.path()));
  qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.filePath(".config")));
  qputenv("XDG_CACHE_HOME", QFile::encodeName(home.filePath(".cache")));
  const QString folder = home.filePath("photos") + '/';
  QDir().mkpath(folder);
  if (!WritePhoto(folder + "IMG_00.jpg")) return 1;
  for (int i = 1; i < kPhotos; ++i) {
    const QByteArray name =
        QFile::encodeName(folder + QString("IMG_%1.jpg").arg(i, 2, 10, QChar('0')));
    if (::link(QFile::encodeName(folder + "IMG_00.jpg").constData(), name.constData()) != 0)
      return 1;
  }
  const qint64 photo_bytes = QFileInfo(folder + "IMG_00.jpg").size();

  fotoloom::TFormMain form(home.filePath(".config/Fotoloom/"), {});
  form.show();
  QApplication::processEvents();
  form.findChild<QStackedWidget*>("Notebook1")->setCurrentIndex(1);
  form.SetTargetFolder(folder);
  auto* results = form.findChild<QTreeView*>("ListView3");
  std::vector<fotoloom::TListEntry> entries;
  for (int i = 0; i < kPhotos; ++i) {
    const std::string name = QString("IMG_%1.jpg").arg(i, 2, 10, QChar('0')).toStdString();
    entries.push_back(
        fotoloom::FileEntry(folder.toStdString(), name, static_cast<uint64_t>(photo_bytes), "."));
  }
  qobject_cast<fotoloom::TPhotoListModel*>(results->model())->Append(entries);
  results->setFocus();
  fotoloom::SelectOnly(results, 0);
  auto* preview = form.findChild<QLabel*>("Image322");
  auto* follower = results->findChild<fotoloom::TResultPreview*>();
  if (!follower) return 1;
  int loads = 0;
  QObject::connect(follower, &fotoloom::TResultPreview::LoadStarted, [&] { ++loads; });
  // Let the first photo show before the key goes down.
  QElapsedTimer settle;
  settle.start();
  while (settle.elapsed() < 3000) QApplication::processEvents(QEventLoop::AllEvents, 5);
  loads = 0;
  const qint64 shown_before = preview->pixmap().cacheKey();

  QElapsedTimer gap, clock;
  qint64 longest_gap = 0;
  QTimer beat;
  QObject::connect(&beat, &QTimer::timeout,
                   [&] { longest_gap = std::max(longest_gap, gap.restart()); });
  // The key held down: the window system repeats it as press and release pairs.
  int presses = 0;
  QTimer key;
  QObject::connect(&key, &QTimer::timeout, [&] {
    const bool repeat = presses > 0;
    QApplication::postEvent(
        results, new QKeyEvent(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier, {}, repeat));
    QApplication::postEvent(
        results, new QKeyEvent(QEvent::KeyRelease, Qt::Key_Down, Qt::NoModifier, {}, repeat));
    if (++presses == kPhotos - 1) key.stop();
  });
  gap.start();
  clock.start();
  beat.start(1);
  key.start(kRepeatMs);
  qint64 keys_done = -1;
  qint64 last_shown = -1;
  qint64 shown_key = shown_before;
  while (clock.elapsed() < 60000) {
    QApplication::processEvents(QEventLoop::AllEvents, 5);
    if (keys_done < 0 && !key.isActive()) keys_done = clock.elapsed();
    if (preview->pixmap().cacheKey() != shown_key) {
      shown_key = preview->pixmap().cacheKey();
      last_shown = clock.elapsed();
    }
    if (keys_done >= 0 && clock.elapsed() > keys_done + 4000) break;
  }
  const bool at_end = results->currentIndex().row() == kPhotos - 1;
  std::printf(
      "%d photos of %dx%d (%lld kB each), Down held at %d ms repeat for %lld ms: "
      "longest UI-thread gap %lld ms; %d preview loads began; last photo shown %lld ms "
      "after the last key%s\n",
      kPhotos, kWidth, kHeight, static_cast<long long>(photo_bytes / 1024), kRepeatMs,
      static_cast<long long>(keys_done), static_cast<long long>(longest_gap), loads,
      static_cast<long long>(last_shown - keys_done), at_end ? "" : " (NOT at the end)");
  return at_end ? 0 : 1;
}
