#pragma once

#include <QApplication>
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace fotoloom::test {

// HOME and the XDG folders of a test program, in a temporary folder that goes with the
// program: nothing a test does reads or writes the real home folder, its settings or its
// thumbnail cache. Made before the application, which reads some of them as it starts.
class TemporaryHome {
 public:
  TemporaryHome() {
    if (!m_home.isValid()) qFatal("no temporary folder for the tests' home");
    const QDir home(m_home.path());
    for (const char* folder :
         {"Documents", "Pictures", "Desktop", ".config", ".cache", ".local/share", ".local/state"})
      home.mkpath(QString::fromLatin1(folder));
    Set("HOME", m_home.path());
    Set("XDG_CONFIG_HOME", home.filePath(".config"));
    Set("XDG_CACHE_HOME", home.filePath(".cache"));
    Set("XDG_DATA_HOME", home.filePath(".local/share"));
    Set("XDG_STATE_HOME", home.filePath(".local/state"));
    // The user's folders (Afbeeldingen, Bureaublad, ...) come from XDG_CONFIG_HOME's
    // user-dirs.dirs, which is not there: they fall back to HOME's own folders.
    qunsetenv("XDG_DOCUMENTS_DIR");
    qunsetenv("XDG_PICTURES_DIR");
    qunsetenv("XDG_DESKTOP_DIR");
    // Qt's own writable locations move into HOME/.qttest as well.
    QStandardPaths::setTestModeEnabled(true);
  }

  QString Path() const { return m_home.path(); }

 private:
  static void Set(const char* name, const QString& value) {
    qputenv(name, QFile::encodeName(value));
  }

  QTemporaryDir m_home;
};

}  // namespace fotoloom::test

// QTEST_MAIN with the program's home in a temporary folder.
#define FOTOLOOM_GUI_TEST_MAIN(TestObject)              \
  int main(int argc, char** argv) {                     \
    const fotoloom::test::TemporaryHome temporary_home; \
    QApplication app(argc, argv);                       \
    app.setAttribute(Qt::AA_Use96Dpi, true);            \
    TestObject test_object;                             \
    QTEST_SET_MAIN_SOURCE_PATH                          \
    return QTest::qExec(&test_object, argc, argv);      \
  }
