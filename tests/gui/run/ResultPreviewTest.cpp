#include <QLabel>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>

#include "gui/common/PhotoListModel.h"
#include "gui/run/ResultPreview.h"
#include "gui/support/GuiTestMain.h"
#include "gui/support/PhotoListView.h"
#include "gui/support/TestPhotos.h"

namespace fotoloom {
namespace {

constexpr int kWait = 10000;

QColor Shown(const QLabel* preview) {
  const QImage image = preview->pixmap().toImage();
  return image.isNull() ? QColor(Qt::black) : image.pixelColor(image.rect().center());
}

bool Near(const QColor& shown, const QColor& expected) {
  return std::abs(shown.red() - expected.red()) < 40 &&
         std::abs(shown.green() - expected.green()) < 40 &&
         std::abs(shown.blue() - expected.blue()) < 40;
}

}  // namespace

class ResultPreviewTest : public QObject {
  Q_OBJECT

 private slots:
  // A key press moves the current entry and the selection and then releases the key; a
  // user going down the list makes bursts of such changes. Each burst loads the preview
  // once, from the entry where it ends, and from that entry's own folder: the photos of a
  // run into "Dezelfde map" lie in several folders.
  void burstOfChangesLoadsOnceAndShowsTheLastEntry() {
    QTemporaryDir folder_a, folder_b;
    const QStringList folders = {folder_a.path() + '/', folder_b.path() + '/'};
    QTreeView results;
    TPhotoListModel entries(TPhotoListModel::CheckBoxes::Shown);
    SetUpPhotoList(&results, &entries);
    const QList<QColor> colours = {Qt::red, Qt::green, Qt::blue, Qt::yellow, Qt::cyan};
    for (int i = 0; i < colours.size(); ++i) {
      const QString name = QString("foto%1.jpg").arg(i);
      const QString& photos = folders[i % 2];
      const QColor& c = colours[i];
      QVERIFY(test::WriteTestPhoto(
          photos + name, 400, 300,
          MakePixel(static_cast<uint8_t>(c.red()), static_cast<uint8_t>(c.green()),
                    static_cast<uint8_t>(c.blue()))));
      entries.Append({TListEntry{name.toStdString(), "1.0 kB", photos.toStdString(),
                                 name.toStdString(), true}});
    }
    QLabel preview;
    preview.setFixedSize(167, 175);
    auto* follower = new TResultPreview(&results, &entries, &preview);
    QSignalSpy started(follower, &TResultPreview::LoadStarted);
    results.show();
    QVERIFY(QTest::qWaitForWindowExposed(&results));

    test::ClickRow(&results, 0);
    QTRY_COMPARE(started.count(), 1);
    QCOMPARE(started[0][0].toString(), folders[0] + "foto0.jpg");
    QTRY_VERIFY_WITH_TIMEOUT(Near(Shown(&preview), Qt::red), kWait);

    // One key press: its release loads the next photo, from the other folder.
    started.clear();
    QTest::keyClick(&results, Qt::Key_Down);
    QTRY_COMPARE(started.count(), 1);
    QCOMPARE(started[0][0].toString(), folders[1] + "foto1.jpg");
    QTRY_VERIFY_WITH_TIMEOUT(Near(Shown(&preview), Qt::green), kWait);

    // One burst: three key presses and a check mark, handled before the window turns.
    started.clear();
    for (int i = 0; i < 3; ++i) QTest::keyClick(&results, Qt::Key_Down);
    entries.SetChecked(4, false);
    QTRY_COMPARE(started.count(), 1);
    QCOMPARE(started[0][0].toString(), folders[0] + "foto4.jpg");
    QTRY_VERIFY_WITH_TIMEOUT(Near(Shown(&preview), Qt::cyan), kWait);
    QTest::qWait(50);
    QCOMPARE(started.count(), 1);
  }
};

}  // namespace fotoloom

FOTOLOOM_GUI_TEST_MAIN(fotoloom::ResultPreviewTest)
#include "ResultPreviewTest.moc"
