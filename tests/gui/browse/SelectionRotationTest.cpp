#include <sys/stat.h>

#include <QAction>
#include <QFileInfo>
#include <QLocale>
#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>
#include <QTreeView>
#include <memory>

#include "core/imaging/Bitmap32.h"
#include "core/imaging/LoadByExtension.h"
#include "core/imaging/codecs/JpegWriter.h"
#include "core/lists/ListEntry.h"
#include "gui/browse/SelectionRotation.h"
#include "gui/support/GuiTestMain.h"
#include "gui/support/MainWindowFixture.h"
#include "gui/support/OrdinaryUser.h"
#include "gui/support/PhotoListView.h"
#include "gui/support/ScriptedMessages.h"
#include "gui/support/TestPhotos.h"

namespace fotoloom {
namespace {

constexpr int kWait = 20000;
constexpr TPixel32 kRed = MakePixel(220, 30, 30);
constexpr TPixel32 kBlue = MakePixel(30, 30, 220);

// 64 x 32, one colour on the left and another on the right: turned, the left one is on
// top. Whole JPEG blocks, so the turn is lossless.
bool WriteHalves(const QString& path, TPixel32 left = kRed, TPixel32 right = kBlue) {
  TBitmap32 picture(64, 32);
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 64; ++x) picture.At(x, y) = x < 32 ? left : right;
  const std::vector<uint8_t> bytes = EncodeJpeg(picture, 95);
  return test::WriteTextFile(path, QByteArray(reinterpret_cast<const char*>(bytes.data()),
                                              static_cast<qsizetype>(bytes.size())));
}

bool Near(TPixel32 pixel, TPixel32 expected) {
  return std::abs(PixelRed(pixel) - PixelRed(expected)) < 40 &&
         std::abs(PixelGreen(pixel) - PixelGreen(expected)) < 40 &&
         std::abs(PixelBlue(pixel) - PixelBlue(expected)) < 40;
}

// The photo as a viewer shows it: turned, it is 32 wide with the left colour on top.
bool IsTurned(const QString& path, TPixel32 left = kRed, TPixel32 right = kBlue) {
  const TBitmap32 picture = LoadPictureByExtension(path.toStdString());
  return picture.Width() == 32 && picture.Height() == 64 && Near(picture.At(16, 8), left) &&
         Near(picture.At(16, 56), right);
}

// The colour the preview shows at a point.
TPixel32 Shown(const QLabel* preview, QPoint at) {
  const QRgb rgb = preview->pixmap().toImage().pixel(at);
  return MakePixel(static_cast<uint8_t>(qRed(rgb)), static_cast<uint8_t>(qGreen(rgb)),
                   static_cast<uint8_t>(qBlue(rgb)));
}

}  // namespace

class SelectionRotationTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    m_fx = std::make_unique<test::MainWindowFixture>();
    QVERIFY(m_fx->ShowActive());
    m_photos = m_fx->Home() + "/Pictures/";
    QDir().mkpath(m_photos);
    m_list = m_fx->Find<QTreeView>("ListView1");
    m_preview = m_fx->Find<QLabel>("Image321");
    m_rotation = m_fx->form->findChild<TSelectionRotation*>();
    QVERIFY(m_rotation);
  }
  void cleanup() { m_fx.reset(); }

  // Rows are picked in another order than the list's: row 3, then 0 and 2 with Ctrl.
  // They are turned in list order; row 1 between them is left alone. The hourglass and
  // the busy state last as long as the command, and the preview ends on the last photo,
  // turned: the list's own preview load of the first selected photo does not replace it.
  void turnsTheSelectedPhotosAndLeavesTheRest() {
    for (int i = 0; i < 3; ++i) QVERIFY(WriteHalves(Photo(i)));
    QVERIFY(WriteHalves(Photo(3), kBlue, kRed));
    for (int i = 0; i < 4; ++i) m_fx->AddPhoto(m_photos, Name(i));
    const QByteArray untouched = test::ReadWholeFile(Photo(1));
    test::ScriptedMessages messages;
    auto* button = m_fx->Find<QToolButton>("SpeedButton3");
    QCOMPARE(button->toolTip(), QString("Afbeelding roteren"));

    QTest::mouseClick(button, Qt::LeftButton);  // nothing selected: nothing happens
    QVERIFY(!m_rotation->Running());

    test::ClickRow(m_list, 3);
    test::ClickRow(m_list, 0, Qt::ControlModifier);
    test::ClickRow(m_list, 2, Qt::ControlModifier);
    QSignalSpy finished(m_rotation, &TSelectionRotation::Finished);
    QTest::mouseClick(button, Qt::LeftButton);
    QVERIFY(m_rotation->Running());
    QVERIFY(QApplication::overrideCursor());
    QCOMPARE(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    QVERIFY(!m_fx->Find<QPushButton>("btnNext")->isEnabled());
    QVERIFY(finished.wait(kWait));

    QVERIFY(!QApplication::overrideCursor());
    QVERIFY(m_fx->Find<QPushButton>("btnNext")->isEnabled());
    QVERIFY(messages.asked.isEmpty());
    for (const int i : {0, 2}) QVERIFY2(IsTurned(Photo(i)), qPrintable(Name(i)));
    QVERIFY(IsTurned(Photo(3), kBlue, kRed));
    QCOMPARE(test::ReadWholeFile(Photo(1)), untouched);
    // The size column shows the turned files' sizes; the fixture's made-up size of the
    // photo left alone stays.
    for (const int i : {0, 2, 3})
      QCOMPARE(m_list->model()->index(i, 1).data().toString(),
               QString::fromStdString(SizeText(static_cast<uint64_t>(QFileInfo(Photo(i)).size()),
                                               QLocale().decimalPoint().toStdString())));
    QCOMPARE(m_list->model()->index(1, 1).data().toString(), QString("1.0 kB"));
    // Longer than the selection's preview delay, after which the list would load row 0.
    QTest::qWait(3 * m_fx->form->Settings().Photodelay);
    const QSize size = m_preview->size();
    QVERIFY(Near(Shown(m_preview, {size.width() / 2, 5}), kBlue));
    QVERIFY(Near(Shown(m_preview, {size.width() / 2, size.height() - 5}), kRed));
  }

  // The menu item does the same. A photo that cannot be loaded stops the command there:
  // the photos before it are turned, the ones after it not, and its error shows.
  void failingPhotoStopsTheCommandAndShowsItsError() {
    for (int i = 0; i < 3; ++i) m_fx->AddPhoto(m_photos, Name(i));
    QVERIFY(WriteHalves(Photo(0)));
    QVERIFY(test::WriteTextFile(Photo(1), "geen foto"));
    QVERIFY(WriteHalves(Photo(2)));
    const QByteArray last = test::ReadWholeFile(Photo(2));
    test::ScriptedMessages messages;
    test::ClickRow(m_list, 2);
    test::ClickRow(m_list, 0, Qt::ControlModifier);
    test::ClickRow(m_list, 1, Qt::ControlModifier);
    QSignalSpy finished(m_rotation, &TSelectionRotation::Finished);
    RotateItem()->trigger();
    QVERIFY(finished.wait(kWait));

    QVERIFY(IsTurned(Photo(0)));
    QCOMPARE(test::ReadWholeFile(Photo(1)), QByteArray("geen foto"));
    QCOMPARE(test::ReadWholeFile(Photo(2)), last);
    QCOMPARE(messages.asked.size(), 1);
    QCOMPARE(messages.asked[0].type, MessageType::Error);
    QVERIFY2(messages.asked[0].text.startsWith("JPEG error"), qPrintable(messages.asked[0].text));
    QVERIFY(!QApplication::overrideCursor());
  }

  // A write-protected photo keeps its file; the preview shows it turned, the error says why
  // and the photos after it are not processed.
  void writeProtectedPhotoKeepsItsFile() {
    for (int i = 0; i < 2; ++i) {
      QVERIFY(WriteHalves(Photo(i)));
      m_fx->AddPhoto(m_photos, Name(i));
    }
    QCOMPARE(::chmod(Photo(0).toLocal8Bit().constData(), 0444), 0);
    const QByteArray protected_bytes = test::ReadWholeFile(Photo(0));
    const QByteArray second = test::ReadWholeFile(Photo(1));
    test::ScriptedMessages messages;
    test::ClickRow(m_list, 0);
    test::ClickRow(m_list, 1, Qt::ShiftModifier);
    QSignalSpy finished(m_rotation, &TSelectionRotation::Finished);
    QTest::mouseClick(m_fx->Find<QToolButton>("SpeedButton3"), Qt::LeftButton);
    QVERIFY(finished.wait(kWait));

    QCOMPARE(test::ReadWholeFile(Photo(0)), protected_bytes);
    QCOMPARE(test::ReadWholeFile(Photo(1)), second);
    QCOMPARE(messages.asked.size(), 1);
    QCOMPARE(messages.asked[0].text, "Cannot create file \"" + Photo(0) + "\". Permission denied.");
    const QImage shown = m_preview->pixmap().toImage();
    QVERIFY(shown.height() > 0);
    // Turned: red on top, blue below.
    QVERIFY(qRed(shown.pixel(shown.width() / 2, 5)) > 150);
    QVERIFY(qBlue(shown.pixel(shown.width() / 2, shown.height() - 5)) > 150);
  }

 private:
  QString Name(int i) const { return QString("foto%1.jpg").arg(i); }
  QString Photo(int i) const { return m_photos + Name(i); }
  QAction* RotateItem() const { return m_fx->form->findChild<QAction*>("Afbeeldingroteren1"); }

  std::unique_ptr<test::MainWindowFixture> m_fx;
  QString m_photos;
  QTreeView* m_list = nullptr;
  QLabel* m_preview = nullptr;
  TSelectionRotation* m_rotation = nullptr;
};

}  // namespace fotoloom

FOTOLOOM_GUI_TEST_MAIN_AS_ORDINARY_USER(fotoloom::SelectionRotationTest)
#include "SelectionRotationTest.moc"
