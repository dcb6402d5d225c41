// Walks the main window through its steps with a few generated photos and saves a
// screenshot of each: step 1, step 2 (also in the smallest window), step 3 after a
// conversion, the progress window, the export window, the photo editor, the settings dialog's
// pages, and with "-screen" the whole window with its frame and a dialog in front of it as the
// window manager shows them. Photos are added by a real mouse
// click through xdotool.
// With a second argument, the step-1 browser shows that folder of photos.
// Run it through scripts/screenshots.sh, which starts it under Xvfb and openbox at 100% and
// 200%.
#include <QAbstractItemView>
#include <QApplication>
#include <QColorDialog>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMouseEvent>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>

#include <cstdio>
#include <utility>

#include "core/imaging/codecs/JpegWriter.h"
#include "core/publish/ExportList.h"
#include "gui/common/DutchLanguage.h"
#include "gui/common/MessageBoxDialog.h"
#include "gui/common/PhotoListModel.h"
#include "gui/common/Messages.h"
#include "gui/common/WindowPlacement.h"
#include "gui/run/RunController.h"
#include "gui/edit/EditorPicture.h"
#include "gui/edit/TFormImage.h"
#include "gui/publish/TFormExport.h"
#include "gui/publish/TFormInstellingen.h"
#include "gui/run/TFormProgress.h"
#include "gui/window/TFormMain.h"
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

// Runs xdotool while the window goes on handling its events.
void Xdotool(const QStringList& arguments) {
  QProcess xdotool;
  xdotool.start(QStringLiteral("xdotool"), arguments);
  while (!xdotool.waitForFinished(10)) QApplication::processEvents(QEventLoop::AllEvents, 10);
}

// A real click in the middle of the control, in the screen's device pixels.
void Click(QWidget* control) {
  const QPoint centre = control->mapToGlobal(control->rect().center());
  const qreal ratio = control->devicePixelRatioF();
  Xdotool({"mousemove", QString::number(qRound(centre.x() * ratio)),
           QString::number(qRound(centre.y() * ratio)), "click", "1"});
  Settle(200);
}

bool Report(bool saved, const QString& path) {
  std::printf("%s %s\n", saved ? "wrote" : "FAILED", qPrintable(path));
  return saved;
}

bool Save(QWidget* widget, const QString& path) {
  Settle(200);
  return Report(widget->grab().save(path), path);
}

// The windows with the frames the window manager gives them.
bool SaveScreen(const QList<QWidget*>& windows, const QString& path) {
  QRect area;
  for (const QWidget* window : windows) area |= window->frameGeometry();
  const QPixmap shot = QGuiApplication::primaryScreen()->grabWindow(0, area.x(), area.y(),
                                                                     area.width(), area.height());
  return Report(shot.save(path), path);
}

// A dialog in front of the window, as the window manager frames it.
bool SaveDialogScreen(QWidget* behind, QWidget* dialog, const QString& path) {
  dialog->show();
  Settle(500);
  const bool saved = SaveScreen({behind, dialog}, path);
  dialog->close();
  return saved;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  std::setvbuf(stdout, nullptr, _IONBF, 0);
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
  // The browser starts at the folder stored as "Importmap".
  const QString data_folder = home.filePath(".config/Fotoloom/");
  QDir().mkpath(data_folder);
  QFile settings(data_folder + "fotoloom.crp");
  if (!settings.open(QIODevice::WriteOnly)) return 1;
  settings.write("[Settings]\nImportmap=" +
                 QFile::encodeName(argc > 2 ? QFile::decodeName(argv[2]) : photos) + "\n");
  settings.close();
  fotoloom::TFormMain form(data_folder, {});
  form.show();
  Settle(1000);
  bool ok = true;

  fotoloom::MessageBoxDialog message(
      &form, {.type = fotoloom::MessageType::Confirmation,
              .caption = QStringLiteral("Akkoord"),
              .text = QStringLiteral("Om verder te gaan moet u minimaal 1 foto toevoegen!"),
              .buttons = fotoloom::MessageButtons::Ok});
  ok &= SaveDialogScreen(&form, &message, out + "/message-screen.png");
  auto* next = form.findChild<QPushButton*>("btnNext");

  // "Alles toevoegen" by a click adds the photos the browser shows.
  Settle(argc > 2 ? 3000 : 500);  // thumbnails
  Click(form.findChild<QToolButton*>("btnAddAll"));
  auto* list = form.findChild<QAbstractItemView*>("ListView1");
  QElapsedTimer timer;
  timer.start();
  while (list->model()->rowCount() == 0 && timer.elapsed() < 30000) Settle(50);
  ok &= list->model()->rowCount() > 0;
  ok &= Save(&form, out + "/step1.png");
  ok &= SaveScreen({&form}, out + "/step1-screen.png");

  Agree agree;
  fotoloom::InstallMessagePresenter(&agree);
  next->click();
  ok &= Save(&form, out + "/step2.png");
  QColorDialog colours(&form);
  fotoloom::GiveDialogFrame(&colours);
  ok &= SaveDialogScreen(&form, &colours, out + "/colour-dialog-screen.png");
  const QSize start_size = form.size();
  form.resize(650, 480);
  ok &= Save(&form, out + "/step2-smallest.png");
  form.resize(start_size);

  form.findChild<QLineEdit*>("editExportMap")->setText(home.filePath("Verkleind"));
  next->click();
  auto* rotate = form.findChild<QToolButton*>("SpeedButton8");
  timer.restart();
  while (!rotate->isEnabled() && timer.elapsed() < 60000) Settle(50);
  ok &= Save(&form, out + "/step3.png");
  if (fotoloom::TFormProgress* progress = form.ConversionRun().ProgressWindow()) {
    ok &= Save(progress, out + "/progress.png");
    ok &= SaveScreen({&form, progress}, out + "/progress-screen.png");
    progress->hide();
  }
  // The export list of the photos just made, as an HTML list.
  const auto* results =
      qobject_cast<fotoloom::TPhotoListModel*>(form.findChild<QTreeView*>("ListView3")->model());
  fotoloom::TFormExport export_window(*results, &form);
  export_window.findChild<QComboBox*>("comboSoort")->setCurrentIndex(2);
  export_window.findChild<QLineEdit*>("editScript")
      ->setText(QString::fromUtf8(fotoloom::kExportKinds[2].script));
  export_window.findChild<QPushButton*>("Button1")->click();
  export_window.show();
  ok &= Save(&export_window, out + "/export.png");
  ok &= SaveDialogScreen(&form, &export_window, out + "/export-screen.png");
  export_window.close();

  // The photo editor on the first photo: fitted, then at its own size with a selection.
  auto* editor = form.findChild<fotoloom::TFormImage*>();
  QTimer::singleShot(0, [&] {
    timer.restart();
    while ((editor->Computing() || !editor->findChild<QPushButton*>("Button1")->isEnabled()) &&
           timer.elapsed() < 30000)
      Settle(50);
    ok &= Save(editor, out + "/editor.png");
    ok &= SaveScreen({&form, editor}, out + "/editor-screen.png");
    Click(editor->findChild<QCheckBox*>("chkStretch"));
    auto* picture = editor->findChild<fotoloom::TEditorPicture*>("Image1");
    for (const auto& [type, at] : {std::pair{QEvent::MouseButtonPress, QPoint(60, 40)},
                                   std::pair{QEvent::MouseMove, QPoint(300, 220)},
                                   std::pair{QEvent::MouseButtonRelease, QPoint(300, 220)}}) {
      QMouseEvent event(type, QPointF(at), picture->mapToGlobal(QPointF(at)),
                        type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton,
                        type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton,
                        Qt::NoModifier);
      QApplication::sendEvent(picture, &event);
    }
    ok &= Save(editor, out + "/editor-autosize.png");
    editor->reject();
  });
  const auto& first = results->Entry(0);
  editor->Edit(QString::fromStdString(first.File()));

  // The settings dialog on each of its pages, with the SMTP fields showing.
  fotoloom::TSettings& values = form.Settings();
  values.Host = "ftp.voorbeeld.nl";
  values.Username = "fotograaf";
  values.Password = "geheim";
  values.Startdir = "www/fotos/";
  values.ScriptLine = "https://www.voorbeeld.nl/foto.php?naam=%s";
  values.EmailUseOutLook = false;
  values.EmailHost = "smtp.voorbeeld.nl";
  values.EmailPort = "587";
  values.EmailAddress = "piet@voorbeeld.nl";
  values.EmailSubject = "Foto's van zaterdag";
  values.EmailBody = "Hallo Piet,\n\nHierbij de foto's.";
  const std::pair<fotoloom::TSettingsPage, const char*> settings_pages[] = {
      {fotoloom::TSettingsPage::Ftp, "settings-ftp"},
      {fotoloom::TSettingsPage::Website, "settings-website"},
      {fotoloom::TSettingsPage::Email, "settings-email"},
      {fotoloom::TSettingsPage::EmailSettings, "settings-email-settings"}};
  for (const auto& [page, name] : settings_pages) {
    fotoloom::TFormInstellingen dialog(values, [] {}, &form);
    dialog.ShowPage(page);
    dialog.show();
    ok &= Save(&dialog, out + "/" + name + ".png");
    if (page == fotoloom::TSettingsPage::Ftp)
      ok &= SaveDialogScreen(&form, &dialog, out + "/" + name + "-screen.png");
  }
  fotoloom::InstallMessagePresenter(nullptr);
  return ok && rotate->isEnabled() ? 0 : 1;
}
