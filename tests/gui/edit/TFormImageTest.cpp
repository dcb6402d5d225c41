// The photo editor worked as a user works it: real clicks on its buttons, drags on its
// picture, keys, scripted answers for its message boxes and its save dialog. The pixel
// tables of the adjustments are the core's business; here the window's wiring is checked
// against the core's own operations on the same decoded photo.
#include <QAction>
#include <QCheckBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLocale>
#include <QMenu>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QToolButton>
#include <functional>

#include "core/imaging/EditorOperations.h"
#include "core/imaging/LoadByExtension.h"
#include "core/imaging/codecs/GifWriter.h"
#include "core/imaging/codecs/JpegWriter.h"
#include "core/lists/ListEntry.h"
#include "core/settings/IniFile.h"
#include "gui/edit/EditorPicture.h"
#include "gui/edit/TFormImage.h"
#include "gui/support/GuiTestMain.h"
#include "gui/support/MainWindowFixture.h"
#include "gui/support/ModalDialogs.h"
#include "gui/support/PhotoListView.h"
#include "gui/support/ScriptedMessages.h"
#include "gui/support/TestPhotos.h"
#include "support/TempDir.h"
#include "support/TestPhotoFormats.h"

using namespace fotoloom;
using namespace fotoloom::test;

namespace {

// 400 x 300 with a colour that differs from pixel to pixel, so that a crop from the wrong
// place or a missing adjustment shows.
bool WriteGradientPhoto(const QString& path) {
  TBitmap32 picture(400, 300);
  for (int y = 0; y < 300; ++y)
    for (int x = 0; x < 400; ++x)
      picture.At(x, y) =
          MakePixel(static_cast<uint8_t>(x * 255 / 399), static_cast<uint8_t>(y * 255 / 299),
                    static_cast<uint8_t>(x ^ y));
  const std::vector<uint8_t> bytes = EncodeJpeg(picture, 95);
  return WriteTextFile(path, QByteArray(reinterpret_cast<const char*>(bytes.data()),
                                        static_cast<qsizetype>(bytes.size())));
}

bool SamePixels(const TBitmap32& a, const TBitmap32& b) {
  if (a.Width() != b.Width() || a.Height() != b.Height()) return false;
  for (int y = 0; y < a.Height(); ++y)
    for (int x = 0; x < a.Width(); ++x)
      if ((a.At(x, y) | 0xFF000000u) != (b.At(x, y) | 0xFF000000u)) return false;
  return true;
}

TEditorPicture* Image1(TFormImage* editor) {
  return editor->findChild<TEditorPicture*>("Image1");
}

template <typename Widget>
Widget* Control(TFormImage* editor, const char* name) {
  auto* found = editor->findChild<Widget*>(QString::fromLatin1(name));
  if (!found) qFatal("no control named %s", name);
  return found;
}

void Click(QAbstractButton* button) {
  QTest::mouseClick(button, Qt::LeftButton, {}, button->rect().center());
}

void Drag(QWidget* widget, QPoint from, QPoint to) {
  QTest::mousePress(widget, Qt::LeftButton, {}, from);
  QTest::mouseMove(widget, (from + to) / 2);
  QTest::mouseMove(widget, to);
  QTest::mouseRelease(widget, Qt::LeftButton, {}, to);
}

// Answers the next save dialog with `file`, or cancels it when `file` is empty.
void WhenSaveDialogShows(const QString& file, QString* proposed = nullptr) {
  WhenModalShows<QFileDialog>([file, proposed](QFileDialog* dialog) {
    if (proposed) *proposed = dialog->selectedFiles().value(0);
    if (file.isEmpty()) {
      dialog->reject();
      return;
    }
    dialog->selectFile(file);
    QMetaObject::invokeMethod(dialog, "accept", Qt::DirectConnection);
  });
}

}  // namespace

class TFormImageTest : public QObject {
  Q_OBJECT

  std::unique_ptr<QTemporaryDir> m_dir;
  std::unique_ptr<TIniFile> m_settings;
  std::unique_ptr<TFormImage> m_editor;
  QString m_photo;
  TBitmap32 m_loaded;  // the photo as the core decodes it

  QString Path(const QString& name) const { return m_dir->filePath(name); }

  // Opens the editor on `file` and runs `act` once its picture shows; an editor still open
  // afterwards is cancelled, also after a failed check inside `act`.
  int EditWith(const QString& file, std::function<void(TFormImage*)> act) {
    WhenModalShows<TFormImage>([act](TFormImage* editor) {
      if (QTest::qWaitFor([&] { return Image1(editor)->Picture() && !editor->Computing(); }))
        act(editor);
      else
        QTest::qFail("the photo did not show", __FILE__, __LINE__);
      if (editor->isVisible()) editor->reject();
    });
    return m_editor->Edit(file);
  }

  static bool Shown(TFormImage* editor) {
    return QTest::qWaitFor([&] { return !editor->Computing(); });
  }

  static void DragAndCrop(TFormImage* editor, QPoint from, QPoint to) {
    auto* autosize = Control<QCheckBox>(editor, "chkStretch");
    if (!autosize->isChecked()) Click(autosize);
    Drag(Image1(editor), from, to);
    Click(Control<QPushButton>(editor, "btnCrop"));
  }

 private slots:
  void init() {
    m_dir = std::make_unique<QTemporaryDir>();
    m_settings = std::make_unique<TIniFile>(Path("fotoloom.crp").toStdString());
    m_editor = std::make_unique<TFormImage>(*m_settings, nullptr);
    m_photo = Path("foto.jpg");
    QVERIFY(WriteGradientPhoto(m_photo));
    m_loaded = LoadPictureByExtension(m_photo.toStdString());
  }

  void cleanup() {
    m_editor.reset();
    m_settings.reset();
    m_dir.reset();
  }

  void slidersStartAgainFromTheLoadedPhoto_data() {
    QTest::addColumn<bool>("crop");
    QTest::newRow("after Zwart/wit") << false;
    QTest::newRow("after Crop") << true;
  }
  void slidersStartAgainFromTheLoadedPhoto() {
    QFETCH(bool, crop);
    EditWith(m_photo, [&](TFormImage* editor) {
      if (crop) {
        DragAndCrop(editor, {300, 200}, {100, 50});
        QVERIFY(Shown(editor));
        QCOMPARE(Image1(editor)->Picture()->Width(), 200);
      } else {
        Click(Control<QPushButton>(editor, "Button4"));
        QVERIFY(Shown(editor));
        const TPixel32 grey = Image1(editor)->Picture()->At(350, 20);
        QCOMPARE(PixelRed(grey), PixelGreen(grey));
        QCOMPARE(PixelRed(grey), PixelBlue(grey));
      }
      // Brightness first, then contrast: both act on the photo as loaded, together.
      auto* brightness = Control<QSlider>(editor, "TrackBar2");
      brightness->setFocus();
      QTest::keyClick(brightness, Qt::Key_PageUp);
      auto* contrast = Control<QSlider>(editor, "TrackBar1");
      contrast->setFocus();
      QTest::keyClick(contrast, Qt::Key_Right);
      QVERIFY(Shown(editor));
      TBitmap32 expected = m_loaded;
      AdjustContrastBrightness(expected, contrast->value(), brightness->value());
      QVERIFY(contrast->value() != 0 && brightness->value() != 0);
      QVERIFY(SamePixels(*Image1(editor)->Picture(), expected));
    });
  }

  // The frame is a marker only; the crop takes the pixels under it, and Ctrl+Z gives them
  // back.
  void dragFrom300x200To100x50CropsThatPart() {
    EditWith(m_photo, [&](TFormImage* editor) {
      Click(Control<QCheckBox>(editor, "chkStretch"));
      QVERIFY(Control<QPushButton>(editor, "btnCrop")->isEnabled());
      Drag(Image1(editor), {300, 200}, {100, 50});
      const TSelection selection = Image1(editor)->Selection();
      QCOMPARE((std::array{selection.X1, selection.Y1, selection.X2, selection.Y2}),
               (std::array{300, 200, 100, 50}));
      // The frame shows on the screen along the selection's edge, not inside it, and the
      // picture itself stays as loaded.
      const QImage screen = Image1(editor)->grab().toImage();
      auto marked = [&](int x) {
        int count = 0;
        for (int y = 60; y < 190; ++y)
          count += screen.pixel(x, y) != (m_loaded.At(x, y) | 0xFF000000u);
        return count;
      };
      QVERIFY(marked(100) > 30);
      QCOMPARE(marked(150), 0);
      QVERIFY(SamePixels(*Image1(editor)->Picture(), m_loaded));

      Click(Control<QPushButton>(editor, "btnCrop"));
      QVERIFY(Shown(editor));
      QVERIFY(SamePixels(*Image1(editor)->Picture(), CropPicture(m_loaded, {100, 50, 300, 200})));
      // A crop of the crop, then both undone one at a time.
      Drag(Image1(editor), {10, 10}, {60, 40});
      Click(Control<QPushButton>(editor, "btnCrop"));
      QVERIFY(Shown(editor));
      QCOMPARE(Image1(editor)->Picture()->Width(), 50);
      QTest::keyClick(editor, Qt::Key_Z, Qt::ControlModifier);
      QVERIFY(Shown(editor));
      QCOMPARE(Image1(editor)->Picture()->Width(), 200);
      QTest::keyClick(editor, Qt::Key_Z, Qt::ControlModifier);
      QVERIFY(Shown(editor));
      QVERIFY(SamePixels(*Image1(editor)->Picture(), m_loaded));
    });
  }

  void selectionWithoutAreaIsRefused_data() {
    QTest::addColumn<QPoint>("from");
    QTest::addColumn<QPoint>("to");
    QTest::newRow("from the first column") << QPoint(0, 100) << QPoint(200, 200);
    QTest::newRow("to the top row") << QPoint(100, 100) << QPoint(200, 0);
    QTest::newRow("a click without a drag") << QPoint(150, 150) << QPoint(150, 150);
  }
  void selectionWithoutAreaIsRefused() {
    QFETCH(QPoint, from);
    QFETCH(QPoint, to);
    ScriptedMessages messages;
    EditWith(m_photo, [&](TFormImage* editor) {
      // No selection at all first.
      Click(Control<QCheckBox>(editor, "chkStretch"));
      Click(Control<QPushButton>(editor, "btnCrop"));
      DragAndCrop(editor, from, to);
      QVERIFY(Shown(editor));
      QVERIFY(SamePixels(*Image1(editor)->Picture(), m_loaded));
    });
    QCOMPARE(messages.asked.size(), 2);
    for (const MessageRequest& asked : messages.asked) {
      QCOMPARE(asked.text, QString("Maak eerst een raster in de afbeelding."));
      QCOMPARE(asked.type, MessageType::Information);
      QCOMPARE(asked.buttons, MessageButtons::Ok);
    }
  }

  // The editor writes JPEG data, so a GIF photo is offered a ".jpg" name beside it.
  void saveCancelledWritesNothing_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("proposed_name");
    QTest::newRow("JPEG") << "foto.jpg"
                          << "foto.jpg";
    QTest::newRow("GIF") << "plaatje.gif"
                         << "plaatje.jpg";
    // A phone photo opens too; its original is never replaced by JPEG data.
    QTest::newRow("HEIC") << "IMG_0001.HEIC"
                          << "IMG_0001.jpg";
  }
  void saveCancelledWritesNothing() {
    QFETCH(QString, name);
    const QString photo = Path(name);
    if (name.endsWith(".gif")) {
      TBitmap32 picture(40, 30);
      picture.Fill(MakePixel(10, 200, 30));
      const std::vector<uint8_t> gif = EncodeGif(picture).value();
      QVERIFY(WriteTextFile(photo, QByteArray(reinterpret_cast<const char*>(gif.data()),
                                              static_cast<qsizetype>(gif.size()))));
    } else if (name.endsWith(".HEIC")) {
      std::vector<uint8_t> rgba;
      for (int i = 0; i < 40 * 30; ++i) rgba.insert(rgba.end(), {10, 200, 30, 255});
      test::WriteFileBytes(photo.toStdString(), test::MakeTestHeif(rgba, 40, 30, false));
    }
    // The photos and any temporary file of a save; the settings file keeps the window size.
    auto photo_files = [&] {
      QStringList files = QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden);
      files.removeAll("fotoloom.crp");
      return files;
    };
    const QStringList files = photo_files();
    const QByteArray before = ReadWholeFile(photo);
    QString proposed;
    const int result = EditWith(photo, [&](TFormImage* editor) {
      Click(Control<QPushButton>(editor, "Button4"));
      WhenSaveDialogShows({}, &proposed);
      // At once: the save waits for the black and white picture, then asks.
      Click(Control<QPushButton>(editor, "Button1"));
      QVERIFY(QTest::qWaitFor(
          [&] { return !proposed.isEmpty() && QApplication::activeModalWidget() == editor; }));
      // The editor stays open with its work: the picture is still black and white.
      QVERIFY(editor->isVisible());
      const TBitmap32& shown = *Image1(editor)->Picture();
      const TPixel32 pixel = shown.At(shown.Width() / 2, shown.Height() / 2);
      QCOMPARE(PixelRed(pixel), PixelGreen(pixel));
    });
    QFETCH(QString, proposed_name);
    QCOMPARE(proposed, Path(proposed_name));
    QCOMPARE(result, int(QDialog::Rejected));
    QCOMPARE(ReadWholeFile(photo), before);
    QCOMPARE(photo_files(), files);
  }

  // The editor stays open with its work when the file cannot be written, so that another
  // name can be chosen; the photo itself is unchanged.
  void failedSaveKeepsTheEditorOpen() {
    const QByteArray before = ReadWholeFile(m_photo);
    ScriptedMessages messages;
    const int result = EditWith(m_photo, [&](TFormImage* editor) {
      Click(Control<QPushButton>(editor, "Button4"));
      WhenSaveDialogShows(Path("geen-map/kopie.jpg"));
      Click(Control<QPushButton>(editor, "Button1"));
      QVERIFY(QTest::qWaitFor([&] { return !messages.asked.isEmpty(); }));
      QVERIFY(editor->isVisible());
      QVERIFY(Control<QPushButton>(editor, "Button1")->isEnabled());
    });
    QCOMPARE(result, int(QDialog::Rejected));
    QCOMPARE(messages.asked.size(), 1);
    QCOMPARE(messages.asked[0].type, MessageType::Error);
    QVERIFY(
        messages.asked[0].text.startsWith("Cannot create file \"" + Path("geen-map/kopie.jpg")));
    QCOMPARE(ReadWholeFile(m_photo), before);
  }

  void opnieuwDiscardsEveryChange() {
    EditWith(m_photo, [&](TFormImage* editor) {
      auto* contrast = Control<QSlider>(editor, "TrackBar1");
      contrast->setFocus();
      QTest::keyClick(contrast, Qt::Key_PageDown);
      DragAndCrop(editor, {300, 200}, {100, 50});
      QVERIFY(Shown(editor));
      QCOMPARE(Image1(editor)->Picture()->Width(), 200);
      Click(Control<QPushButton>(editor, "Button3"));
      QVERIFY(QTest::qWaitFor([&] { return Image1(editor)->Picture() && !editor->Computing(); }));
      QCOMPARE(contrast->value(), 0);
      QVERIFY(SamePixels(*Image1(editor)->Picture(), m_loaded));
    });
  }

  // Quality 0 counts as 1; the quality and "Autosize" stay for the next opening.
  void saveWritesTheShownPictureAtTheChosenQuality() {
    const QString copy = Path("kopie.jpg");
    const int result = EditWith(m_photo, [&](TFormImage* editor) {
      auto* quality = Control<QSpinBox>(editor, "editJPGQuality");
      QCOMPARE(quality->value(), 90);
      quality->setFocus();
      quality->selectAll();
      QTest::keyClicks(quality, "0");
      QCOMPARE(quality->value(), 0);
      DragAndCrop(editor, {300, 200}, {100, 50});
      // Saved at once: the save waits for the crop's result.
      WhenSaveDialogShows(copy);
      Click(Control<QPushButton>(editor, "Button1"));
      QVERIFY(QTest::qWaitFor([&] { return !editor->isVisible(); }));
    });
    QCOMPARE(result, int(QDialog::Accepted));
    const std::vector<uint8_t> expected = EncodeJpeg(CropPicture(m_loaded, {100, 50, 300, 200}), 1);
    QCOMPARE(ReadWholeFile(copy), QByteArray(reinterpret_cast<const char*>(expected.data()),
                                             static_cast<qsizetype>(expected.size())));

    EditWith(m_photo, [&](TFormImage* editor) {
      QCOMPARE(Control<QSpinBox>(editor, "editJPGQuality")->value(), 0);
      QVERIFY(Control<QCheckBox>(editor, "chkStretch")->isChecked());
      QVERIFY(Control<QPushButton>(editor, "btnCrop")->isEnabled());
      // Every opening starts from the photo with the sliders at 0.
      QVERIFY(SamePixels(*Image1(editor)->Picture(), m_loaded));
    });
  }

  // Another existing file is replaced only after a yes; a name of another format is refused,
  // since the editor writes JPEG data. Each time the save dialog comes back.
  void saveAsksBeforeReplacingAnotherFile() {
    const QString other = Path("ander.jpg");
    QVERIFY(WriteTextFile(other, "niet vervangen"));
    ScriptedMessages messages({MessageAnswer::No});
    const int result = EditWith(m_photo, [&](TFormImage* editor) {
      WhenModalShows<QFileDialog>([&](QFileDialog* dialog) {
        WhenModalShows<QFileDialog>([&](QFileDialog* again) {
          WhenSaveDialogShows({});
          again->selectFile(Path("foto.bmp"));
          QMetaObject::invokeMethod(again, "accept", Qt::DirectConnection);
        });
        dialog->selectFile(other);
        QMetaObject::invokeMethod(dialog, "accept", Qt::DirectConnection);
      });
      Click(Control<QPushButton>(editor, "Button1"));
      QVERIFY(QTest::qWaitFor([&] {
        return messages.asked.size() == 2 && QApplication::activeModalWidget() == editor;
      }));
    });
    // The last save dialog was cancelled: the editor stayed open until the test closed it.
    QCOMPARE(result, int(QDialog::Rejected));
    QCOMPARE(ReadWholeFile(other), QByteArray("niet vervangen"));
    QVERIFY(!QFile::exists(Path("foto.bmp")));
    QCOMPARE(messages.asked.size(), 2);
    QCOMPARE(messages.asked[0].type, MessageType::Confirmation);
    QVERIFY(messages.asked[0].text.contains(other));
    QVERIFY(messages.asked[1].text.contains(".jpg"));
  }

  // The dialog proposes the photo itself: accepting that (a Return) asks before the original
  // is replaced, and "Nee" leaves it as it was.
  void saveAsksBeforeReplacingThePhotoItself() {
    const QByteArray original = ReadWholeFile(m_photo);
    ScriptedMessages messages({MessageAnswer::No});
    EditWith(m_photo, [&](TFormImage* editor) {
      Click(Control<QPushButton>(editor, "Button4"));
      WhenModalShows<QFileDialog>([&](QFileDialog* dialog) {
        WhenSaveDialogShows({});
        QMetaObject::invokeMethod(dialog, "accept", Qt::DirectConnection);
      });
      Click(Control<QPushButton>(editor, "Button1"));
      QVERIFY(QTest::qWaitFor([&] {
        return messages.asked.size() == 1 && QApplication::activeModalWidget() == editor;
      }));
    });
    QCOMPARE(ReadWholeFile(m_photo), original);
    QCOMPARE(messages.asked[0].type, MessageType::Confirmation);
    QVERIFY2(messages.asked[0].text.contains(m_photo), qPrintable(messages.asked[0].text));
  }

  void unreadablePhotosAreNotEdited_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("error");
    QTest::newRow("unsupported extension")
        << "foto.png.txt" << QByteArray() << "Unknown picture file extension (.txt)";
    QTest::newRow("damaged JPEG") << "kapot.jpg" << QByteArray("geen foto") << "";
  }
  void unreadablePhotosAreNotEdited() {
    QFETCH(QString, name);
    QFETCH(QByteArray, content);
    QFETCH(QString, error);
    const QString file = Path(name);
    if (content.isEmpty())
      QVERIFY(QFile::copy(m_photo, file));
    else
      QVERIFY(WriteTextFile(file, content));
    // Another photo was edited before: its picture must not stay for this one.
    EditWith(m_photo, [](TFormImage*) {});
    ScriptedMessages messages;
    QCOMPARE(m_editor->Edit(file), int(QDialog::Rejected));
    QVERIFY(!m_editor->isVisible());
    QCOMPARE(messages.asked.size(), 1);
    QCOMPARE(messages.asked[0].type, MessageType::Error);
    if (!error.isEmpty()) QCOMPARE(messages.asked[0].text, error);
    QVERIFY(!Image1(m_editor.get())->Picture());
  }

  void escapeCancelsAndEnterSaves() {
    QCOMPARE(EditWith(m_photo, [](TFormImage* editor) { QTest::keyClick(editor, Qt::Key_Escape); }),
             int(QDialog::Rejected));
    bool asked = false;
    const int result = EditWith(m_photo, [&](TFormImage* editor) {
      WhenModalShows<QFileDialog>([&](QFileDialog* dialog) {
        asked = true;
        dialog->reject();
      });
      Control<QSlider>(editor, "TrackBar1")->setFocus();
      QTest::keyClick(editor->focusWidget(), Qt::Key_Return);
    });
    QVERIFY(asked);
    // The save dialog was cancelled: the editor stayed open until the test closed it.
    QCOMPARE(result, int(QDialog::Rejected));
  }

  void windowSizeIsRemembered() {
    EditWith(m_photo, [](TFormImage* editor) { editor->resize(720, 610); });
    TFormImage again(*m_settings, nullptr);
    QSize size;
    WhenModalShows<TFormImage>([&](TFormImage* editor) {
      size = editor->size();
      editor->reject();
    });
    again.Edit(m_photo);
    QCOMPARE(size, QSize(720, 610));
    // Kept with the settings: any other section would be read as a size profile.
    QCOMPARE(m_settings->ReadSections(), std::vector<std::string>{"Settings"});
    // A size that is no number gives the size of an editor that never stored one.
    auto first_size = [&](TIniFile& settings) {
      TFormImage editor(settings, nullptr);
      WhenModalShows<TFormImage>([&](TFormImage* shown) {
        size = shown->size();
        shown->reject();
      });
      editor.Edit(m_photo);
      return size;
    };
    TIniFile empty(Path("leeg.crp").toStdString());
    const QSize default_size = first_size(empty);
    m_settings->WriteString("Settings", "EditorWidth", "breed");
    QCOMPARE(first_size(*m_settings).width(), default_size.width());
    QVERIFY(default_size.width() < 720);
  }

  // Both lists open the editor on their selected photo, by button and by menu item; after
  // "Opslaan" the list's preview shows the file again.
  void opensOnTheSelectedPhotoOfEitherList_data() {
    QTest::addColumn<QString>("list");
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("preview");
    QTest::newRow("selection, button") << "ListView1"
                                       << "SpeedButton4"
                                       << "Image321";
    QTest::newRow("selection, menu") << "ListView1"
                                     << "Afbeeldingbewerken2"
                                     << "Image321";
    QTest::newRow("results, button") << "ListView3"
                                     << "SpeedButton9"
                                     << "Image322";
    QTest::newRow("results, menu") << "ListView3"
                                   << "Afbeeldingbewerken1"
                                   << "Image322";
  }
  void opensOnTheSelectedPhotoOfEitherList() {
    QFETCH(QString, list);
    QFETCH(QString, command);
    QFETCH(QString, preview);
    MainWindowFixture fx;
    QVERIFY(fx.ShowActive());
    const QString folder = m_dir->path() + "/";
    QVERIFY(WriteTestPhoto(folder + "rood.jpg", 120, 80, MakePixel(220, 30, 30)));
    fx.AddPhoto(folder, "foto.jpg", list);
    fx.AddPhoto(folder, "rood.jpg", list);
    if (list == "ListView3") {
      fx.Find<QStackedWidget>("Notebook1")->setCurrentIndex(1);
      fx.form->SetResultCommandsEnabled(true);
    }
    auto* view = fx.Find<QTreeView>(list);
    auto open = [&] {
      if (auto* button = fx.form->findChild<QToolButton*>(command))
        Click(button);
      else
        fx.Find<QAction>(command)->trigger();
    };
    // Nothing selected: nothing opens.
    bool opened = false;
    QTimer::singleShot(0, [&] {
      if (auto* editor = qobject_cast<TFormImage*>(QApplication::activeModalWidget())) {
        opened = true;
        editor->reject();
      }
    });
    open();
    QCoreApplication::processEvents();
    QVERIFY(!opened);

    ClickRow(view, 1);
    auto* picture = fx.Find<QLabel>(preview);
    auto grey = [&] {
      const QColor c = picture->pixmap().toImage().pixelColor(5, 5);
      return qAbs(c.red() - c.green()) < 8;
    };
    // The list's own preview shows the red photo first.
    QTRY_VERIFY(!picture->pixmap().isNull() && !grey());
    QString file;
    WhenModalShows<TFormImage>([&](TFormImage* editor) {
      file = editor->PhotoFile();
      QVERIFY(QTest::qWaitFor([&] { return Image1(editor)->Picture() && !editor->Computing(); }));
      Click(Control<QPushButton>(editor, "Button4"));
      WhenSaveDialogShows(file);
      Click(Control<QPushButton>(editor, "Button1"));
      QVERIFY(QTest::qWaitFor([&] { return !editor->isVisible(); }));
    });
    const QString size_before = test::Text(view, 1, 1);
    // Replacing the photo is asked first.
    ScriptedMessages replace({MessageAnswer::Yes});
    open();
    QCOMPARE(replace.asked.size(), 1);
    QCOMPARE(file, folder + "rood.jpg");
    // The preview shows the photo as saved: grey now; the size column says its new size.
    QTRY_VERIFY(grey());
    QCOMPARE(test::Text(view, 1, 1),
             QString::fromStdString(SizeText(static_cast<uint64_t>(QFileInfo(file).size()),
                                             QLocale().decimalPoint().toStdString())));
    QVERIFY(test::Text(view, 1, 1) != size_before);
  }
};

FOTOLOOM_GUI_TEST_MAIN(TFormImageTest)
#include "TFormImageTest.moc"
