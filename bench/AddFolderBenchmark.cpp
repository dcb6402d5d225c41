// Adding a folder of 10 000 photos to the selection list, as a drop does: the time until
// every entry is listed, and the longest time the UI thread went without turning its event
// loop meanwhile (a 1 ms timer measures the gaps). Runs on the offscreen platform.
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeView>

#include <cstdio>

#include "gui/browse/SelectionList.h"
#include "gui/browse/TFormMessage2.h"
#include "gui/window/TFormMain.h"
#include "support/FolderOfPhotos.h"

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  constexpr int kPhotos = 10000;
  QTemporaryDir home;
  qputenv("HOME", QFile::encodeName(home.path()));
  qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.filePath(".config")));
  const QString folder = home.filePath("photos");
  QDir().mkpath(folder);
  if (!fotoloom::bench::WriteFirstPhoto(folder) ||
      !fotoloom::bench::LinkPhotos(folder, 1, kPhotos))
    return 1;

  fotoloom::TFormMain form(home.filePath(".config/Fotoloom/"), {});
  form.show();
  QApplication::processEvents();
  const QAbstractItemModel* list = form.findChild<QTreeView*>("ListView1")->model();

  // Answers the folder question with OK as soon as it shows.
  QTimer answer;
  QObject::connect(&answer, &QTimer::timeout, [] {
    if (auto* question = qobject_cast<fotoloom::TFormMessage2*>(QApplication::activeModalWidget()))
      question->findChild<QPushButton*>("btnOK")->click();
  });
  answer.start(1);

  QElapsedTimer clock, gap;
  qint64 longest_gap = 0;
  QTimer beat;
  QObject::connect(&beat, &QTimer::timeout,
                   [&] { longest_gap = std::max(longest_gap, gap.restart()); });
  clock.start();
  gap.start();
  beat.start(1);
  form.SelectionList().AddPaths({folder});
  while (list->rowCount() < kPhotos || form.SelectionList().Busy()) {
    QApplication::processEvents(QEventLoop::AllEvents, 5);
    if (clock.elapsed() > 60000) return 1;
  }
  std::printf("%d photos listed in %lld ms; longest UI-thread gap %lld ms\n", list->rowCount(),
              static_cast<long long>(clock.elapsed()), static_cast<long long>(longest_gap));
  return 0;
}
