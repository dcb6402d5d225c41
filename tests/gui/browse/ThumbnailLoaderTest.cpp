#include <sys/stat.h>
#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

#include "gui/browse/ThumbnailLoader.h"
#include "gui/support/GuiTestMain.h"
#include "gui/support/TestPhotos.h"

namespace fotoloom {
namespace {

constexpr int kWait = 20000;
const TPixel32 kPhotoColour = MakePixel(200, 60, 30);
const QColor kMarker(20, 220, 40);

int Mode(const QString& path) {
  struct stat info {};
  return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? int(info.st_mode & 07777) : -1;
}

qint64 Mtime(const QString& path) {
  return QFileInfo(path).lastModified().toSecsSinceEpoch();
}

// Worked out here by hand rather than with the code under test.
QString CacheFileName(const QString& path) {
  const QByteArray uri = "file://" + QUrl::toPercentEncoding(path, "/");
  return QString::fromLatin1(QCryptographicHash::hash(uri, QCryptographicHash::Md5).toHex()) +
         ".png";
}

bool IsColour(const QImage& image, const QColor& colour) {
  const QColor centre = image.pixelColor(image.width() / 2, image.height() / 2);
  return std::abs(centre.red() - colour.red()) <= 3 &&
         std::abs(centre.green() - colour.green()) <= 3 &&
         std::abs(centre.blue() - colour.blue()) <= 3;
}

bool WriteCacheFile(const QString& file, const QString& photo, qint64 mtime) {
  QImage marker(128, 85, QImage::Format_RGB32);
  marker.fill(kMarker);
  marker.setText("Thumb::URI", "file://" + QUrl::toPercentEncoding(photo, "/"));
  marker.setText("Thumb::MTime", QString::number(mtime));
  return QDir().mkpath(QFileInfo(file).path()) && marker.save(file, "png");
}

}  // namespace

class ThumbnailLoaderTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    m_cache = std::make_unique<QTemporaryDir>();
    m_photos = std::make_unique<QTemporaryDir>();
    QVERIFY(m_cache->isValid() && m_photos->isValid());
    // A home of its own for each test: Qt's test mode keeps the cache under it.
    qputenv("HOME", QFile::encodeName(m_cache->path()));
  }

  void ThumbnailFitsTheSizeAndIsStoredForFileManagers_data() {
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QSize>("expected");
    QTest::addColumn<QSize>("stored");
    QTest::newRow("normal") << 128 << 600 << 400 << "normal" << QSize(128, 85) << QSize(128, 85);
    QTest::newRow("large, portrait")
        << 256 << 400 << 600 << "large" << QSize(171, 256) << QSize(171, 256);
    QTest::newRow("smaller than normal")
        << 96 << 600 << 400 << "normal" << QSize(96, 63) << QSize(128, 85);
    QTest::newRow("small photo") << 128 << 100 << 60 << "normal" << QSize(100, 60)
                                 << QSize(100, 60);
  }
  void ThumbnailFitsTheSizeAndIsStoredForFileManagers() {
    QFETCH(int, size);
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(QString, folder);
    QFETCH(QSize, expected);
    QFETCH(QSize, stored);
    // A name that needs percent-encoding in the URI.
    const QString photo = m_photos->filePath("foto één #1.jpg");
    QVERIFY(test::WriteTestPhoto(photo, width, height, kPhotoColour));

    TThumbnailLoader loader(size);
    QSignalSpy ready(&loader, &TThumbnailLoader::Ready);
    loader.Request(photo);
    QTRY_COMPARE_WITH_TIMEOUT(ready.count(), 1, kWait);
    QCOMPARE(ready[0][0].toString(), photo);
    const QImage thumbnail = ready[0][1].value<QImage>();
    QCOMPARE(thumbnail.size(), expected);
    QVERIFY(IsColour(thumbnail, QColor(200, 60, 30)));
    QCOMPARE(loader.Cached(photo), thumbnail);

    // Asked again: from memory, at once.
    loader.Request(photo);
    QCOMPARE(ready.count(), 2);
    QCOMPARE(ready[1][1].value<QImage>(), thumbnail);

    const QString root = CacheFile("thumbnails");
    const QString cache_folder = root + '/' + folder;
    // Stored after it is shown.
    QTRY_COMPARE_WITH_TIMEOUT(QDir(cache_folder).entryList(QDir::Files),
                              QStringList{CacheFileName(photo)}, kWait);
    const QString file = cache_folder + '/' + CacheFileName(photo);
    const QImage written(file, "png");
    QCOMPARE(written.text("Thumb::URI"), "file://" + QUrl::toPercentEncoding(photo, "/"));
    QCOMPARE(written.text("Thumb::MTime"), QString::number(Mtime(photo)));
    QCOMPARE(written.text("Software"), QString("Fotoloom"));
    QCOMPARE(written.size(), stored);
    // Uncompressed, as GLib's check of thumbnails reads only tEXt chunks.
    QVERIFY(test::ReadWholeFile(file).contains(QByteArray("tEXtThumb::URI") + '\0' + "file://" +
                                               QUrl::toPercentEncoding(photo, "/")));
    QCOMPARE(Mode(file), 0600);
    QCOMPARE(Mode(cache_folder), 0700);
    QCOMPARE(Mode(root), 0700);
  }

  void FreshCacheFileIsUsedAndStaleOneReplaced_data() {
    QTest::addColumn<qint64>("mtime_offset");
    QTest::newRow("fresh") << qint64(0);
    QTest::newRow("stale") << qint64(-3600);
  }
  void FreshCacheFileIsUsedAndStaleOneReplaced() {
    QFETCH(qint64, mtime_offset);
    const QString photo = m_photos->filePath("photo.jpg");
    QVERIFY(test::WriteTestPhoto(photo, 600, 400, kPhotoColour));
    const QString file = CacheFile("thumbnails/normal/" + CacheFileName(photo));
    QVERIFY(WriteCacheFile(file, photo, Mtime(photo) + mtime_offset));

    TThumbnailLoader loader(128);
    QSignalSpy ready(&loader, &TThumbnailLoader::Ready);
    loader.Request(photo);
    QTRY_COMPARE_WITH_TIMEOUT(ready.count(), 1, kWait);
    const bool fresh = mtime_offset == 0;
    QCOMPARE(IsColour(ready[0][1].value<QImage>(), kMarker), fresh);
    QTRY_COMPARE_WITH_TIMEOUT(QImage(file, "png").text("Thumb::MTime"),
                              QString::number(Mtime(photo)), kWait);
    const QImage written(file, "png");
    QCOMPARE(written.text("Thumb::MTime"), QString::number(Mtime(photo)));
    QCOMPARE(IsColour(written, kMarker), fresh);
  }

  void PhotosInsideTheCacheAreNotStored() {
    const QString folder = CacheFile("thumbnails/normal");
    QVERIFY(QDir().mkpath(folder));
    const QString photo = folder + "/inside.jpg";
    QVERIFY(test::WriteTestPhoto(photo, 300, 200));
    TThumbnailLoader loader(128);
    QSignalSpy ready(&loader, &TThumbnailLoader::Ready);
    loader.Request(photo);
    QTRY_COMPARE_WITH_TIMEOUT(ready.count(), 1, kWait);
    // A photo outside, asked for after it, is stored once the inside one has had its turn.
    const QString outside = m_photos->filePath("outside.jpg");
    QVERIFY(test::WriteTestPhoto(outside, 300, 200));
    loader.Request(outside);
    QTRY_COMPARE_WITH_TIMEOUT(ready.count(), 2, kWait);
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(folder + '/' + CacheFileName(outside)), kWait);
    QCOMPARE(QDir(folder).entryList(QDir::Files),
             QStringList({CacheFileName(outside), "inside.jpg"}));
  }

  void CancelPendingDropsTheWaitingRequests() {
    QStringList photos;
    for (int i = 0; i < 40; ++i) {
      photos << m_photos->filePath(QString("photo%1.jpg").arg(i));
      QVERIFY(test::WriteTestPhoto(photos.back(), 1600, 1200));
    }
    const QString after = m_photos->filePath("after.jpg");
    QVERIFY(test::WriteTestPhoto(after, 300, 200));

    TThumbnailLoader loader(128);
    QSignalSpy ready(&loader, &TThumbnailLoader::Ready);
    for (const QString& photo : photos) loader.Request(photo);
    loader.CancelPending();
    // Asked again after the cancel, a photo is made even when its first job was running.
    loader.Request(photos[0]);
    loader.Request(after);
    QTRY_COMPARE_WITH_TIMEOUT(ready.count(), 2, kWait);
    QCOMPARE(QSet<QString>({ready[0][0].toString(), ready[1][0].toString()}),
             QSet<QString>({photos[0], after}));
    // Only the jobs already running when the requests were cancelled (the pool has two
    // threads) went on to make their thumbnail.
    int made = 0;
    for (const QString& photo : photos.mid(1)) made += loader.Cached(photo).isNull() ? 0 : 1;
    QVERIFY2(made <= 2, qPrintable(QString::number(made)));
    const int stored = QDir(CacheFile("thumbnails/normal")).entryList(QDir::Files).size();
    QVERIFY2(stored <= 4, qPrintable(QString::number(stored)));
  }

 private:
  // Where the shared thumbnail cache lies, as the loader finds it.
  static QString CacheFile(const QString& relative) {
    return QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) + '/' + relative;
  }

  std::unique_ptr<QTemporaryDir> m_cache;
  std::unique_ptr<QTemporaryDir> m_photos;
};

}  // namespace fotoloom

FOTOLOOM_GUI_TEST_MAIN(fotoloom::ThumbnailLoaderTest)
#include "ThumbnailLoaderTest.moc"
