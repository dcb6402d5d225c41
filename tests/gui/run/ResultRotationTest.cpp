#include <sys/stat.h>

#include <QAction>
#include <QApplication>
#include <QFileInfo>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTest>
#include <QToolButton>
#include <QTreeView>
#include <memory>

#include "core/imaging/Bitmap32.h"
#include "core/imaging/LoadByExtension.h"
#include "core/imaging/PhotoRotation.h"
#include "core/imaging/codecs/ImageInfo.h"
#include "core/imaging/codecs/JpegMarkers.h"
#include "core/imaging/codecs/JpegWriter.h"
#include "core/lists/ListEntry.h"
#include "gui/common/PreviewLoader.h"
#include "gui/run/ResultRotation.h"
#include "gui/support/GuiTestMain.h"
#include "gui/support/MainWindowFixture.h"
#include "gui/support/OrdinaryUser.h"
#include "gui/support/PhotoListView.h"
#include "gui/support/ScriptedMessages.h"
#include "gui/support/TestPhotos.h"
#include "support/TempDir.h"

namespace fotoloom {
namespace {

constexpr int kWait = 30000;

// Red on the left, blue on the right, a green band along the top.
TBitmap32 Marked(int width, int height) {
  TBitmap32 picture(width, height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      picture.At(x, y) = y < height / 8  ? MakePixel(30, 200, 30)
                         : x < width / 2 ? MakePixel(220, 30, 30)
                                         : MakePixel(30, 30, 220);
  return picture;
}

bool WriteJpeg(const QString& path, const TBitmap32& picture, int quality) {
  const std::vector<uint8_t> bytes = EncodeJpeg(picture, quality);
  return test::WriteTextFile(path, QByteArray(reinterpret_cast<const char*>(bytes.data()),
                                              static_cast<qsizetype>(bytes.size())));
}

// The quantisation tables, which tell the quality the file was encoded with.
std::vector<std::vector<uint8_t>> Tables(const std::vector<uint8_t>& jpeg) {
  std::vector<std::vector<uint8_t>> tables;
  for (const TJpegSegment& segment : JpegHeaderSegments(jpeg))
    if (segment.marker == 0xDB)
      tables.emplace_back(jpeg.begin() + segment.data, jpeg.begin() + segment.data + segment.size);
  return tables;
}

std::vector<uint8_t> Bytes(const QString& path) {
  const QByteArray bytes = test::ReadWholeFile(path);
  return {bytes.begin(), bytes.end()};
}

bool Same(const TBitmap32& a, const TBitmap32& b) {
  return a.Width() == b.Width() && a.Height() == b.Height() &&
         std::equal(a.Bits(), a.Bits() + a.Width() * a.Height(), b.Bits());
}

}  // namespace

class ResultRotationTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    m_fx = std::make_unique<test::MainWindowFixture>();
    QVERIFY(m_fx->ShowActive());
    m_folder = m_fx->Home() + "/Documents/";
    m_fx->Find<QStackedWidget>("Notebook1")->setCurrentIndex(1);
    m_fx->form->SetResultCommandsEnabled(true);
    m_list = m_fx->Find<QTreeView>("ListView3");
    m_preview = m_fx->Find<QLabel>("Image322");
    m_button = m_fx->Find<QToolButton>("SpeedButton8");
    m_rotation = m_fx->form->findChild<TResultRotation*>();
    QVERIFY(m_rotation);
  }
  void cleanup() { m_fx.reset(); }

  // A 3000 x 2000 photo converted at quality 50 becomes a 2000 x 3000 JPEG of quality 90.
  // Four presses, given faster than they are carried out, turn the picture in memory back
  // to exactly the one first shown: it was never decoded again from the files written.
  void turnsThePreviewsPictureAndWritesQuality90() {
    const QString photo = m_folder + "groot.jpg";
    QVERIFY(WriteJpeg(photo, Marked(3000, 2000), 50));
    m_fx->AddPhoto(m_folder, "groot.jpg", "ListView3");
    const std::vector<uint8_t> converted = Bytes(photo);
    test::ScriptedMessages messages;
    QCOMPARE(m_button->toolTip(), QString("Afbeelding roteren"));
    QTest::mouseClick(m_button, Qt::LeftButton);  // nothing selected: nothing happens
    QVERIFY(!m_rotation->Running());
    QCOMPARE(Bytes(photo), converted);

    test::ClickRow(m_list, 0);
    QTRY_VERIFY_WITH_TIMEOUT(KeptPicture(m_preview).picture, kWait);
    const std::shared_ptr<const TBitmap32> first = KeptPicture(m_preview).picture;
    QSignalSpy finished(m_rotation, &TResultRotation::Finished);
    QTest::mouseClick(m_button, Qt::LeftButton);
    QVERIFY(QApplication::overrideCursor());
    QVERIFY(finished.wait(kWait));
    QVERIFY(!QApplication::overrideCursor());
    const TImageInfo info = GetImageFileInfo(photo.toStdString());
    QCOMPARE(info.Width, 2000);
    QCOMPARE(info.Height, 3000);
    QVERIFY(Tables(Bytes(photo)) == Tables(EncodeJpeg(TBitmap32(16, 16), 90)));
    // The size column follows the file written at the higher quality.
    QCOMPARE(m_list->model()->index(0, 1).data().toString(),
             QString::fromStdString(SizeText(static_cast<uint64_t>(QFileInfo(photo).size()),
                                             QLocale().decimalPoint().toStdString())));
    // The green band along the top is now down the right side.
    const QImage shown = m_preview->pixmap().toImage();
    QVERIFY(qGreen(shown.pixel(shown.width() - 3, shown.height() / 2)) > 150);
    QVERIFY(qGreen(shown.pixel(3, shown.height() / 2)) < 100);

    for (int i = 0; i < 3; ++i) QTest::mouseClick(m_button, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!m_rotation->Running(), kWait);
    QVERIFY(Same(*KeptPicture(m_preview).picture, *first));
    const TImageInfo back = GetImageFileInfo(photo.toStdString());
    QCOMPARE(back.Width, 3000);
    QCOMPARE(back.Height, 2000);
    QVERIFY(messages.asked.isEmpty());
  }

  // After "Niet kopieeren maar ga verder" step 3 lists the user's own photos: one is turned
  // as in step 1, without loss (nothing is encoded anew at quality 90).
  void anOriginalListedWithoutCopyingIsTurnedLosslessly() {
    const QString photo = m_folder + "eigen.jpg";
    QVERIFY(WriteJpeg(photo, Marked(64, 48), 50));
    const std::vector<uint8_t> before = Bytes(photo);
    m_fx->Find<QStackedWidget>("Notebook1")->setCurrentIndex(0);
    m_fx->AddPhoto(m_folder, "eigen.jpg", "ListView1");
    test::ScriptedMessages messages;
    QTest::mouseClick(m_fx->Find<QPushButton>("btnNext"), Qt::LeftButton);
    QTest::mouseClick(m_fx->Find<QRadioButton>("RadioTargetUpload"), Qt::LeftButton);
    QTest::mouseClick(m_fx->Find<QPushButton>("btnNext"), Qt::LeftButton);
    QCOMPARE(test::RowCount(m_list), 1);

    test::ClickRow(m_list, 0);
    QSignalSpy finished(m_rotation, &TResultRotation::Finished);
    m_fx->form->findChild<QAction*>("Roteren90graden")->trigger();
    QVERIFY(finished.wait(kWait));
    QVERIFY(messages.asked.isEmpty());
    const TImageInfo info = GetImageFileInfo(photo.toStdString());
    QCOMPARE(info.Width, 48);
    QCOMPARE(info.Height, 64);
    // Byte for byte what step 1 makes of the same photo.
    const std::string step1 = (m_folder + "stap1.jpg").toStdString();
    test::WriteFileBytes(step1, before);
    RotateOriginalPhoto(step1, [](const TBitmap32&) {});
    QVERIFY(Bytes(photo) == test::ReadFileBytes(step1));
    QVERIFY(Tables(Bytes(photo)) != Tables(EncodeJpeg(TBitmap32(16, 16), 90)));
  }

  // The preview's picture stands for the file only while the file is as it was read: a
  // file written anew meanwhile is turned from what it holds now, never overwritten with
  // the old picture.
  void aFileChangedSinceItWasShownIsTurnedFromItsNewContent() {
    const QString photo = m_folder + "foto.jpg";
    QVERIFY(WriteJpeg(photo, Marked(64, 48), 90));
    m_fx->AddPhoto(m_folder, "foto.jpg", "ListView3");
    test::ClickRow(m_list, 0);
    QTRY_VERIFY_WITH_TIMEOUT(KeptPicture(m_preview).picture, kWait);
    TBitmap32 grey(40, 80);
    grey.Fill(MakePixel(128, 128, 128));
    QVERIFY(WriteJpeg(photo, grey, 90));
    QSignalSpy finished(m_rotation, &TResultRotation::Finished);
    m_fx->form->findChild<QAction*>("Roteren90graden")->trigger();
    QVERIFY(finished.wait(kWait));
    const TBitmap32 written = LoadPictureByExtension(photo.toStdString());
    QCOMPARE(written.Width(), 80);
    QCOMPARE(written.Height(), 40);
    QVERIFY(std::abs(PixelRed(written.At(40, 20)) - 128) < 10);
  }

  // A write-protected result keeps its file and the error says why; the preview shows the
  // turned picture, and a second press turns the file's own picture, not the shown one.
  void writeProtectedResultKeepsItsFile() {
    const QString photo = m_folder + "foto.jpg";
    QVERIFY(WriteJpeg(photo, Marked(64, 48), 90));
    m_fx->AddPhoto(m_folder, "foto.jpg", "ListView3");
    QCOMPARE(::chmod(photo.toLocal8Bit().constData(), 0444), 0);
    const std::vector<uint8_t> before = Bytes(photo);
    test::ScriptedMessages messages;
    test::ClickRow(m_list, 0);
    QTRY_VERIFY_WITH_TIMEOUT(KeptPicture(m_preview).picture, kWait);
    QSignalSpy finished(m_rotation, &TResultRotation::Finished);
    QTest::mouseClick(m_button, Qt::LeftButton);
    QVERIFY(finished.wait(kWait));
    QCOMPARE(Bytes(photo), before);
    QCOMPARE(messages.asked.size(), 1);
    QCOMPARE(messages.asked[0].text, "Cannot create file \"" + photo + "\". Permission denied.");
    const QImage shown = m_preview->pixmap().toImage();
    QVERIFY(qGreen(shown.pixel(shown.width() - 3, shown.height() / 2)) > 150);

    QCOMPARE(::chmod(photo.toLocal8Bit().constData(), 0644), 0);
    QTest::mouseClick(m_button, Qt::LeftButton);
    QVERIFY(finished.wait(kWait));
    QCOMPARE(GetImageFileInfo(photo.toStdString()).Width, 48);
  }

 private:
  std::unique_ptr<test::MainWindowFixture> m_fx;
  QString m_folder;
  QTreeView* m_list = nullptr;
  QLabel* m_preview = nullptr;
  QToolButton* m_button = nullptr;
  TResultRotation* m_rotation = nullptr;
};

}  // namespace fotoloom

FOTOLOOM_GUI_TEST_MAIN_AS_ORDINARY_USER(fotoloom::ResultRotationTest)
#include "ResultRotationTest.moc"
