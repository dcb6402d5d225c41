// Walks the main window through its steps with a few generated photos and saves a
// screenshot of each: step 1, step 2, step 3 after a conversion, and the progress window.
// With a second argument, the step-1 browser shows that folder of photos.
// Run it through scripts/screenshots.sh, which starts it under Xvfb at 100% and 200%.
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QToolButton>
#include <QTreeWidget>

#include <cstdio>

#include "core/imaging/codecs/JpegWriter.h"
#include "gui/common/DutchLanguage.h"
#include "gui/common/Messages.h"
#include "gui/run/RunController.h"
#include "gui/window/TFormMain.h"
#include "gui/run/TFormProgress.h"
#include "gui/common/WheelToArrowKeys.h"

namespace {

// Answers every question with its first button, as a user clicking through would.
class Agree : public fotoloom::MessagePresenter {
 public:
  fotoloom::MessageAnswer Present(QWidget*, const fotoloom::MessageRequest& request) override {
    return request.buttons == fotoloom::MessageButtons::Ok ? fotoloom::MessageAnswer::Ok
                                                           : fotoloom::MessageAnswer::Yes;
  }
};

void Settle(int ms) {
  QElapsedTimer timer;
  timer.start();
  while (timer.elapsed() < ms) QApplication::processEvents(QEventLoop::AllEvents, 20);
}

bool Save(QWidget* widget, const QString& path) {
  Settle(200);
  const bool saved = widget->grab().save(path);
  std::printf("%s %s\n", saved ? "wrote" : "FAILED", qPrintable(path));
  return saved;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  fotoloom::UseDutchLanguage();
  const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("screenshots");
  QDir().mkpath(out);
  QTemporaryDir home;
  qputenv("HOME", QFile::encodeName(home.path()));
  qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.filePath(".config")));
  QDir(home.path()).mkpath("Documents");

  // A few photos of different colours.
  const QString photos = home.filePath("Foto's") + "/";
  QDir().mkpath(photos);
  const QList<QColor> colors = {QColor(200, 80, 40), QColor(40, 140, 90), QColor(50, 90, 190)};
  for (int i = 0; i < colors.size(); ++i) {
    fotoloom::TBitmap32 picture(1200, 800);
    picture.Fill(fotoloom::MakePixel(static_cast<uint8_t>(colors[i].red()),
                                     static_cast<uint8_t>(colors[i].green()),
                                     static_cast<uint8_t>(colors[i].blue())));
    const std::vector<uint8_t> jpeg = fotoloom::EncodeJpeg(picture, 90);
    QFile file(photos + QString("vakantie_%1.jpg").arg(i + 1));
    if (!file.open(QIODevice::WriteOnly)) return 1;
    file.write(reinterpret_cast<const char*>(jpeg.data()), static_cast<qint64>(jpeg.size()));
  }

  fotoloom::WheelToArrowKeys wheel;
  app.installEventFilter(&wheel);
  Agree agree;
  fotoloom::InstallMessagePresenter(&agree);
  const QString data_folder = home.filePath(".config/Fotoloom/");
  if (argc > 2) {
    // The browser starts at the folder stored as "Importmap".
    QDir().mkpath(data_folder);
    QFile settings(data_folder + "fotoloom.crp");
    if (!settings.open(QIODevice::WriteOnly)) return 1;
    settings.write("[Settings]\nImportmap=" + QFile::encodeName(argv[2]) + "\n");
  }
  fotoloom::TFormMain form(data_folder, {});
  form.show();
  Settle(300);
  auto* list = form.findChild<QTreeWidget*>("ListView1");
  for (const QString& name : QDir(photos).entryList(QDir::Files, QDir::Name)) {
    new QTreeWidgetItem(list, {name, QStringLiteral("20.1 kB"), photos, name});
  }
  Settle(argc > 2 ? 3000 : 300);  // thumbnails
  bool ok = Save(&form, out + "/step1.png");
  auto* next = form.findChild<QPushButton*>("btnNext");
  next->click();
  ok &= Save(&form, out + "/step2.png");
  form.findChild<QLineEdit*>("editExportMap")->setText(home.filePath("Verkleind"));
  next->click();
  auto* rotate = form.findChild<QToolButton*>("SpeedButton8");
  QElapsedTimer timer;
  timer.start();
  while (!rotate->isEnabled() && timer.elapsed() < 30000) Settle(50);
  ok &= Save(&form, out + "/step3.png");
  if (fotoloom::TFormProgress* progress = form.ConversionRun().ProgressWindow()) {
    ok &= Save(progress, out + "/progress.png");
  }
  fotoloom::InstallMessagePresenter(nullptr);
  return ok && rotate->isEnabled() ? 0 : 1;
}
