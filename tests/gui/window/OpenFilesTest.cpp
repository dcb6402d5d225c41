// Files and folders that come from outside the window: the command line of the start, and
// later starts that hand theirs over.
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QCheckBox>
#include <QDir>
#include <QLocalServer>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>
#include <cstring>
#include <memory>

#include "gui/browse/SelectionList.h"
#include "gui/browse/TFormMessage2.h"
#include "gui/support/GuiTestMain.h"
#include "gui/support/ModalDialogs.h"
#include "gui/support/PhotoListView.h"
#include "gui/support/TestPhotos.h"
#include "gui/window/SingleInstance.h"
#include "gui/window/TFormMain.h"

namespace fotoloom {
namespace {

constexpr int kWait = 20000;

// Answers the next folder question with OK and its sub-folder box as given.
void AnswerFolderQuestion(bool include_subfolders) {
  test::WhenModalShows<TFormMessage2>([include_subfolders](TFormMessage2* question) {
    question->findChild<QCheckBox*>("chkSubDirs")->setChecked(include_subfolders);
    question->findChild<QPushButton*>("btnOK")->click();
  });
}

// A socket file that nobody listens on, as a crashed start leaves it.
bool MakeStaleSocket(const QString& path) {
  const QByteArray name = QFile::encodeName(path);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (name.size() >= static_cast<qsizetype>(sizeof address.sun_path)) return false;
  std::memcpy(address.sun_path, name.constData(), static_cast<size_t>(name.size()));
  const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
  if (fd < 0) return false;
  const bool bound = ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
  ::close(fd);
  return bound && QFileInfo::exists(path);
}

}  // namespace

class OpenFilesTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    m_data = std::make_unique<QTemporaryDir>();
    m_photos = std::make_unique<QTemporaryDir>();
    m_runtime = std::make_unique<QTemporaryDir>();
    QVERIFY(m_data->isValid() && m_photos->isValid() && m_runtime->isValid());
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_runtime->path()));
    for (const char* name : {"a.jpg", "b.jpeg", "notities.txt", "map/p1.jpg", "map/sub/p2.gif"})
      QVERIFY(MakeFile(name));
  }
  void cleanup() {
    QDir::setCurrent(QDir::tempPath());
    m_form.reset();
    m_runtime.reset();
    m_photos.reset();
    m_data.reset();
  }

  // Relative paths, "file:" addresses and folders, next to the custom-mode switch; what is
  // no photo or not there is passed over as a drop passes it.
  void theCommandLineFillsTheSelectionList() {
    QVERIFY(QDir::setCurrent(m_photos->path()));
    AnswerFolderQuestion(false);
    StartWindow({"/CUSTOM=KESTROVA", "a.jpg", "notities.txt", "weg.jpg", "-x",
                 QUrl::fromLocalFile(Path("b.jpeg")).toString(), Path("map")});
    QVERIFY(Added().wait(kWait));
    QCOMPARE(test::Captions(List()), QStringList({"a.jpg", "b.jpeg", "p1.jpg"}));
    QCOMPARE(test::Text(List(), 0, 2), m_photos->path() + "/");
    QCOMPARE(m_form->windowTitle(), QString("Fotoloom | Kestrova Custommode"));
    QCOMPARE(m_form->CustomMode(), QString("KESTROVA"));
  }

  void pathsAfterADoubleDashAreFiles() {
    QVERIFY(MakeFile("-streep.jpg"));
    QVERIFY(QDir::setCurrent(m_photos->path()));
    StartWindow({"--", "-streep.jpg"});
    QVERIFY(Added().wait(kWait));
    QCOMPARE(test::Captions(List()), QStringList{"-streep.jpg"});
    QVERIFY(m_form->CustomMode().isEmpty());
  }

  // Files that come while an add waits for its folder question are added after it, not
  // refused as a drop would be.
  void filesWaitForTheAddThatRuns() {
    StartWindow({Path("map")});
    TSelectionList& selection = m_form->SelectionList();
    QTRY_VERIFY_WITH_TIMEOUT(selection.Busy(), kWait);
    m_form->OpenFiles({Path("a.jpg")});
    QSignalSpy added(&selection, &TSelectionList::AddFinished);
    AnswerFolderQuestion(true);
    QVERIFY(added.wait(kWait));
    if (added.count() < 2) QVERIFY(added.wait(kWait));
    QCOMPARE(test::Captions(List()), QStringList({"p1.jpg", "p2.gif", "a.jpg"}));
  }

  // A second start of the real program hands its files to this window, raises it and ends.
  void aLaterStartHandsItsFilesOver() {
    StartWindow({});
    TSingleInstance instance(TSingleInstance::DefaultServerName());
    QVERIFY(instance.Listen());
    m_form->ServeLaterStarts(instance);
    m_form->showMinimized();
    QSignalSpy added(&m_form->SelectionList(), &TSelectionList::AddFinished);

    QProcess later;
    later.setWorkingDirectory(m_photos->path());
    QSignalSpy finished(&later, &QProcess::finished);
    later.start(FOTOLOOM_PROGRAM, {"a.jpg", Path("b.jpeg")});
    QVERIFY(finished.wait(kWait));
    QCOMPARE(later.exitStatus(), QProcess::NormalExit);
    QCOMPARE(later.exitCode(), 0);
    QVERIFY(added.count() > 0 || added.wait(kWait));
    QCOMPARE(test::Captions(List()), QStringList({"a.jpg", "b.jpeg"}));
    QVERIFY(!m_form->isMinimized());
  }

  // --version and --help are answered without a display and without handing anything over.
  void versionAndHelpNeedNoWindow() {
    for (const char* option : {"--version", "--help"}) {
      QProcess program;
      QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
      environment.insert("QT_QPA_PLATFORM", "geen");
      program.setProcessEnvironment(environment);
      program.start(FOTOLOOM_PROGRAM, {option, Path("a.jpg")});
      QVERIFY(program.waitForFinished(kWait));
      QCOMPARE(program.exitCode(), 0);
      const QString out = QString::fromUtf8(program.readAllStandardOutput());
      QVERIFY2(out.startsWith(option == QLatin1String("--version")
                                  ? "fotoloom " FOTOLOOM_VERSION "\n"
                                  : "Gebruik: fotoloom "),
               qPrintable(out));
    }
  }

  // A crashed start left its socket: the next start takes the name over and answers.
  void aStaleSocketIsTakenOver() {
    const QString name = TSingleInstance::DefaultServerName();
    QVERIFY(name.startsWith(m_runtime->path() + "/"));
    QVERIFY(MakeStaleSocket(name));
    QProcess first;
    first.start(FOTOLOOM_PROGRAM, {});
    QVERIFY(first.waitForStarted());
    TSingleInstance later(name);
    bool handed = false;
    for (int attempt = 0; attempt < 100 && !handed; ++attempt) {
      handed = later.HandOver({Path("a.jpg")});
      if (!handed) QTest::qWait(100);
    }
    first.terminate();
    QVERIFY(first.waitForFinished(kWait) || (first.kill(), first.waitForFinished(kWait)));
    QVERIFY(handed);
  }

  // A name that a live program holds is never taken from it.
  void aLiveServerKeepsItsName() {
    const QString name = TSingleInstance::DefaultServerName();
    QLocalServer other;
    QVERIFY(other.listen(name));
    TSingleInstance instance(name);
    QVERIFY(!instance.Listen());
    QVERIFY(other.isListening());
    QVERIFY(QFileInfo::exists(name));
  }

 private:
  QString Path(const QString& name) const { return m_photos->filePath(name); }
  bool MakeFile(const QString& name) const {
    return QDir().mkpath(QFileInfo(Path(name)).path()) && test::WriteTextFile(Path(name), "");
  }
  void StartWindow(const QStringList& arguments) {
    m_form = std::make_unique<TFormMain>(m_data->filePath("config/Fotoloom/"), arguments);
    m_added = std::make_unique<QSignalSpy>(&m_form->SelectionList(), &TSelectionList::AddFinished);
    m_form->show();
  }
  QSignalSpy& Added() { return *m_added; }
  QTreeView* List() const { return m_form->findChild<QTreeView*>("ListView1"); }

  std::unique_ptr<QTemporaryDir> m_data;
  std::unique_ptr<QTemporaryDir> m_photos;
  std::unique_ptr<QTemporaryDir> m_runtime;
  std::unique_ptr<TFormMain> m_form;
  std::unique_ptr<QSignalSpy> m_added;
};

}  // namespace fotoloom

FOTOLOOM_GUI_TEST_MAIN(fotoloom::OpenFilesTest)
#include "OpenFilesTest.moc"
