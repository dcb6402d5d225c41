#include <malloc.h>

#include <QLabel>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include "gui/common/PreviewLoader.h"
#include "gui/support/GuiTestMain.h"
#include "gui/support/TestPhotos.h"

namespace fotoloom {
namespace {

constexpr int kWait = 10000;

// True when every pixel of the picture is near the colour.
bool AllNear(const QImage& image, const QColor& colour) {
  if (image.isNull()) return false;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      const QColor c = image.pixelColor(x, y);
      if (std::abs(c.red() - colour.red()) > 12 || std::abs(c.green() - colour.green()) > 12 ||
          std::abs(c.blue() - colour.blue()) > 12)
        return false;
    }
  }
  return true;
}

}  // namespace

class PreviewLoaderTest : public QObject {
  Q_OBJECT

 private slots:
  // A photo of exactly the preview's size is not scaled; what the preview shows must not
  // point into the decoded picture, which is gone by then.
  // ASan sees the fault at any size. Without it, a picture above malloc's fixed mmap
  // threshold is handed back to the system when freed, so reading it afterwards crashes.
  void initTestCase() { mallopt(M_MMAP_THRESHOLD, 128 * 1024); }

  void photoOfThePreviewsOwnSizeIsShownWhole_data() {
    QTest::addColumn<QSize>("preview_size");
    QTest::addColumn<QSize>("photo");
    QTest::newRow("exactly the step-3 preview's size") << QSize(167, 175) << QSize(167, 175);
    QTest::newRow("exactly a large preview's size") << QSize(800, 600) << QSize(800, 600);
    QTest::newRow("larger, scaled down") << QSize(167, 175) << QSize(334, 350);
  }
  void photoOfThePreviewsOwnSizeIsShownWhole() {
    QFETCH(QSize, preview_size);
    QFETCH(QSize, photo);
    QTemporaryDir folder;
    const QString file = folder.filePath("foto.jpg");
    QVERIFY(test::WriteTestPhoto(file, photo.width(), photo.height(), MakePixel(30, 160, 90)));
    QLabel preview;
    preview.setFixedSize(preview_size);
    bool loaded = false;
    LoadPreview(&preview, file.toStdString(), Qt::FastTransformation,
                [&](bool ok) { loaded = ok; });
    QTRY_VERIFY_WITH_TIMEOUT(loaded, kWait);
    const QImage shown = preview.pixmap().toImage();
    QCOMPARE(shown.size(), preview_size);
    QVERIFY(AllNear(shown, QColor(30, 160, 90)));
  }
};

}  // namespace fotoloom

FOTOLOOM_GUI_TEST_MAIN(fotoloom::PreviewLoaderTest)
#include "PreviewLoaderTest.moc"
