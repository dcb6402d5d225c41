// A folder of 10 000 photos shown in the thumbnail browser while 2 000 more are copied into
// it one by one: how often the folder is listed again, the time until the browser shows every
// photo, and the longest time the UI thread went without turning its event loop meanwhile
// (a 1 ms timer measures the gaps). Runs on the offscreen platform.
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <chrono>
#include <cstdio>
#include <thread>

#include "gui/browse/FolderItemsModel.h"
#include "gui/browse/ThumbnailBrowser.h"
#include "support/FolderOfPhotos.h"

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  constexpr int kShown = 10000;
  constexpr int kCopied = 2000;
  QTemporaryDir home;
  qputenv("HOME", QFile::encodeName(home.path()));
  qputenv("XDG_CACHE_HOME", QFile::encodeName(home.filePath(".cache")));
  const QString folder = home.filePath("photos");
  QDir().mkpath(folder);
  if (!fotoloom::bench::WriteFirstPhoto(folder) ||
      !fotoloom::bench::LinkPhotos(folder, 1, kShown))
    return 1;

  fotoloom::TThumbnailBrowser browser;
  browser.resize(800, 500);
  browser.show();
  browser.SetFolder(folder);
  fotoloom::TFolderItemsModel& items = browser.Items();
  QElapsedTimer clock;
  clock.start();
  while (items.rowCount() < kShown) {
    QApplication::processEvents(QEventLoop::AllEvents, 5);
    if (clock.elapsed() > 60000) return 1;
  }

  int listings = 0;
  QObject::connect(&items, &fotoloom::TFolderItemsModel::Listed, [&] { ++listings; });
  QElapsedTimer gap;
  qint64 longest_gap = 0;
  QTimer beat;
  QObject::connect(&beat, &QTimer::timeout,
                   [&] { longest_gap = std::max(longest_gap, gap.restart()); });
  clock.restart();
  gap.start();
  beat.start(1);
  bool copied = false;
  std::thread copier(
      [&] { copied = fotoloom::bench::LinkPhotos(folder, kShown, kShown + kCopied, true); });
  while (items.rowCount() < kShown + kCopied) {
    QApplication::processEvents(QEventLoop::AllEvents, 5);
    if (clock.elapsed() > 60000) break;
  }
  copier.join();
  if (!copied || items.rowCount() != kShown + kCopied) return 1;
  std::printf(
      "%d photos copied into a folder of %d shown: listed again %d times, all shown "
      "after %lld ms; longest UI-thread gap %lld ms\n",
      kCopied, kShown, listings, static_cast<long long>(clock.elapsed()),
      static_cast<long long>(longest_gap));
  return 0;
}
