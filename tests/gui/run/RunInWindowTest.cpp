#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <filesystem>

#include "core/imaging/LoadByExtension.h"
#include "core/lists/ListEntry.h"
#include "gui/browse/SelectionList.h"
#include "gui/common/PhotoListModel.h"
#include "gui/run/RunController.h"
#include "gui/run/TFormProgress.h"
#include "gui/support/GuiTestMain.h"
#include "gui/support/PhotoListView.h"
#include "gui/support/ScriptedMessages.h"
#include "gui/support/TestPhotos.h"
#include "gui/window/TFormMain.h"
#include "support/TestJpeg.h"

namespace fotoloom {

using test::ScriptedMessages;

namespace {

const QString kOverwritePrefix = QStringLiteral("Foto bestaat al! ( ");

// Answers like ScriptedMessages, but first presses the progress window's stop button when
// the run asks about overwriting, as a user who clicked it just before would have.
class StopAtOverwriteQuestion : public ScriptedMessages {
 public:
  StopAtOverwriteQuestion(TFormMain& form, QList<MessageAnswer> answers)
      : ScriptedMessages(std::move(answers)), m_form(form) {}

  MessageAnswer Present(QWidget* parent, const MessageRequest& request) override {
    const MessageAnswer answer = ScriptedMessages::Present(parent, request);
    if (request.text.startsWith(kOverwritePrefix))
      m_form.ConversionRun().ProgressWindow()->findChild<QPushButton*>("btnClose")->click();
    return answer;
  }

 private:
  TFormMain& m_form;
};

// Fails to put the overwrite question on the screen (as when memory runs out), then answers
// the rest from its script.
class OverwriteQuestionThrows : public ScriptedMessages {
 public:
  using ScriptedMessages::ScriptedMessages;

  MessageAnswer Present(QWidget* parent, const MessageRequest& request) override {
    if (request.text.startsWith(kOverwritePrefix)) throw std::bad_alloc();
    return ScriptedMessages::Present(parent, request);
  }
};

const QString kStopQuestion = QStringLiteral("Weet u zeker dat u nu wilt stoppen met resizen?");

// Answers like ScriptedMessages, but reads the stop question for a while before answering,
// and notes which outputs existed when it opened and when it was answered.
class SlowStopAnswers : public ScriptedMessages {
 public:
  SlowStopAnswers(QString folder, QList<MessageAnswer> answers)
      : ScriptedMessages(std::move(answers)), m_folder(std::move(folder)) {}

  MessageAnswer Present(QWidget* parent, const MessageRequest& request) override {
    if (request.text == kStopQuestion) {
      // Photos that passed the gate before it was held still finish, and an output appears
      // only when it is whole: wait until none has come for a while.
      QStringList opened = Outputs();
      QElapsedTimer waited;
      waited.start();
      for (int quiet = 0; quiet < 2000 && waited.elapsed() < 30000; quiet += 100) {
        QTest::qWait(100);
        const QStringList now = Outputs();
        if (now != opened) quiet = 0;
        opened = now;
      }
      QTest::qWait(400);  // the workers would start several photos in this time
      at_question.append({opened, Outputs()});
    }
    return ScriptedMessages::Present(parent, request);
  }
  QStringList Outputs() const { return QDir(m_folder).entryList(QDir::Files, QDir::Name); }

  QList<std::pair<QStringList, QStringList>> at_question;  // when opened, when answered

 private:
  QString m_folder;
};

}  // namespace

class RunInWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    m_data = std::make_unique<QTemporaryDir>();
    m_photos = std::make_unique<QTemporaryDir>();
    QVERIFY(m_data->isValid());
    QVERIFY(m_photos->isValid());
    m_form = std::make_unique<TFormMain>(m_data->filePath("config/Fotoloom/"), QStringList{});
    m_form->show();
    m_target = m_photos->filePath("uit");
    // As after start-up: the step-3 commands wait for a completed run.
    m_form->SetResultCommandsEnabled(false);
  }
  void cleanup() {
    m_form.reset();
    m_photos.reset();
    m_data.reset();
  }

  void completedRunListsCheckedResultsInListOrder() {
    ScriptedMessages messages;
    // The list order, not the name order, is the order of the run.
    const QStringList names = {"c.jpg", "a.JPEG", "b.jpg"};
    QVERIFY(AddPhotos(names, 80, 60));
    m_form->findChild<QStackedWidget*>("Notebook1")->setCurrentIndex(1);

    QCOMPARE(Run(Settings()), TRunEnd::Completed);

    auto* results = m_form->findChild<QTreeView*>("ListView3");
    const QStringList outputs = {"c.jpg", "a.jpg", "b.jpg"};
    QCOMPARE(test::Captions(results), outputs);
    for (int i = 0; i < test::RowCount(results); ++i) {
      const QString file = m_target + "/" + outputs[i];
      QCOMPARE(test::Text(results, i, 2), m_target + "/");
      QCOMPARE(test::Text(results, i, 1),
               QString::fromStdString(SizeText(QFileInfo(file).size(), ".")));
      QCOMPARE(test::CheckState(results, i), Qt::Checked);
      QCOMPARE(LoadPictureByExtension(file.toStdString()).Width(), 40);
    }
    QCOMPARE(test::CurrentRow(results), 0);
    QCOMPARE(test::SelectedRowList(results), QList<int>{0});

    TFormProgress* progress = m_form->ConversionRun().ProgressWindow();
    QVERIFY(progress->isVisible());
    QCOMPARE(LogLines(), QStringList({"Bezig met foto 1 van 3: " + Source("c.jpg"),
                                      "Bezig met foto 2 van 3: " + Source("a.JPEG"),
                                      "Bezig met foto 3 van 3: " + Source("b.jpg"),
                                      "Converteren is voltooid!"}));
    QCOMPARE(progress->findChild<QLabel*>("lblStatus")->text(),
             QString("Converteren is voltooid!"));
    QCOMPARE(progress->findChild<QProgressBar*>("ProgressBar1")->value(), 3);
    QCOMPARE(progress->findChild<QPushButton*>("btnClose")->text(), QString("OK"));
    for (const char* name : {"SpeedButton8", "SpeedButton9", "btnMailen", "btnUploaden",
                             "btnMapOpenen", "btnExtra", "btnNext"})
      QVERIFY2(m_form->findChild<QWidget*>(name)->isEnabled(), name);
    QCOMPARE(m_form->findChild<QPushButton*>("btnNext")->text(), QString("Opnieuw beginnen"));
    QCOMPARE(m_form->findChild<QStackedWidget*>("Notebook1")->currentIndex(), 1);
    QCOMPARE(m_form->TargetFolder(), m_target + "/");
    // The folder field shows the folder the run made, with its separator.
    QCOMPARE(m_form->findChild<QLineEdit*>("editExportMap")->text(), m_target + "/");
    QVERIFY(messages.asked.isEmpty());
    // Both previews show the first result, decoded off the window's thread.
    QTRY_VERIFY_WITH_TIMEOUT(!m_form->findChild<QLabel*>("Image322")->pixmap().isNull(), 10000);
    QTRY_VERIFY_WITH_TIMEOUT(!m_form->findChild<QLabel*>("Image321")->pixmap().isNull(), 10000);
    QCOMPARE(m_form->findChild<QLabel*>("Image322")->pixmap().size(), QSize(167, 175));
  }

  void overwriteQuestion_data() {
    QTest::addColumn<QList<int>>("existing");  // outputs there before the run
    QTest::addColumn<QList<MessageAnswer>>("answers");
    QTest::addColumn<QList<int>>("written");  // photos converted by the run
    QTest::addColumn<QStringList>("log");
    QTest::addColumn<int>("bar");
    QTest::addColumn<QString>("button");
    QTest::newRow("no at the second of three skips it")
        << QList<int>{1} << QList{MessageAnswer::No} << QList<int>{0, 2}
        << QStringList{"Bezig met foto 1 van 3", "Bezig met foto 3 van 3",
                       "Converteren is voltooid!"}
        << 3 << "OK";
    QTest::newRow("yes at the first overwrites all without asking again")
        << QList<int>{0, 2} << QList{MessageAnswer::Yes} << QList<int>{0, 1, 2}
        << QStringList{"Bezig met foto 1 van 3", "Bezig met foto 2 van 3", "Bezig met foto 3 van 3",
                       "Converteren is voltooid!"}
        << 3 << "OK";
    QTest::newRow("cancel at the second stops the run")
        << QList<int>{1} << QList{MessageAnswer::Cancel, MessageAnswer::Ok} << QList<int>{0}
        << QStringList{"Bezig met foto 1 van 3", "Converteren is geannuleerd!"} << 1 << "Stoppen";
  }
  void overwriteQuestion() {
    QFETCH(QList<int>, existing);
    QFETCH(QList<MessageAnswer>, answers);
    QFETCH(QList<int>, written);
    QFETCH(QStringList, log);
    QFETCH(int, bar);
    QFETCH(QString, button);
    const QStringList names = {"p1.jpg", "p2.jpg", "p3.jpg"};
    QVERIFY(AddPhotos(names, 80, 60));
    QVERIFY(QDir().mkpath(m_target));
    for (int i : existing) QVERIFY(test::WriteTextFile(Output(names[i]), "oud"));

    ScriptedMessages messages(answers);
    const bool cancelled = answers.first() == MessageAnswer::Cancel;
    QCOMPARE(Run(Settings()), cancelled ? TRunEnd::Cancelled : TRunEnd::Completed);

    QCOMPARE(messages.asked.size(), answers.size());
    const MessageRequest& question = messages.asked.first();
    QCOMPARE(question.type, MessageType::Information);
    QCOMPARE(question.buttons, MessageButtons::YesNoCancel);
    QCOMPARE(question.text,
             kOverwritePrefix + Output(names[existing.first()]) + " ) Wilt u alles overschrijven?");
    if (cancelled) {
      QCOMPARE(messages.asked.last().text, QString("Converteren is geannuleerd!"));
      QCOMPARE(messages.asked.last().type, MessageType::Information);
      QCOMPARE(messages.asked.last().buttons, MessageButtons::Ok);
    }
    QStringList lines = LogLines();
    for (QString& line : lines) line = line.section(':', 0, 0);
    QCOMPARE(lines, log);
    for (int i = 0; i < names.size(); ++i) {
      const QByteArray content = test::ReadWholeFile(Output(names[i]));
      if (written.contains(i))
        QVERIFY2(content.startsWith("\xFF\xD8"), qPrintable(names[i]));
      else
        QCOMPARE(content, QByteArray(existing.contains(i) ? "oud" : ""));
    }
    QStringList expected;
    for (int i : written) expected << names[i];
    auto* results = m_form->findChild<QTreeView*>("ListView3");
    QCOMPARE(test::Captions(results), expected);
    for (int i = 0; i < test::RowCount(results); ++i)
      QCOMPARE(test::CheckState(results, i), cancelled ? Qt::Unchecked : Qt::Checked);
    TFormProgress* progress = m_form->ConversionRun().ProgressWindow();
    QCOMPARE(progress->findChild<QProgressBar*>("ProgressBar1")->value(), bar);
    QCOMPARE(progress->findChild<QPushButton*>("btnClose")->text(), button);
    QCOMPARE(progress->findChild<QLabel*>("lblStatus")->text(), log.last());
    QCOMPARE(m_form->findChild<QWidget*>("SpeedButton8")->isEnabled(), !cancelled);
    QVERIFY(m_form->findChild<QWidget*>("btnNext")->isEnabled());
  }

  void everyRunAsksAgainAndKeepsOnlyItsLatestProgressWindowShown() {
    const QStringList names = {"p1.jpg", "p2.jpg"};
    QVERIFY(AddPhotos(names, 40, 30));
    QVERIFY(QDir().mkpath(m_target));
    QVERIFY(test::WriteTextFile(Output("p1.jpg"), "oud"));
    {
      ScriptedMessages messages({MessageAnswer::Yes});
      QCOMPARE(Run(Settings()), TRunEnd::Completed);
      QCOMPARE(messages.asked.size(), 1);
    }
    TFormProgress* first = m_form->ConversionRun().ProgressWindow();
    {
      // Both outputs exist now; No skips each and the question comes again for the next.
      ScriptedMessages messages({MessageAnswer::No, MessageAnswer::No});
      QCOMPARE(Run(Settings()), TRunEnd::Completed);
      QCOMPARE(messages.asked.size(), 2);
      QCOMPARE(messages.asked[1].text,
               kOverwritePrefix + Output("p2.jpg") + " ) Wilt u alles overschrijven?");
    }
    QCOMPARE(test::RowCount(m_form->findChild<QTreeView*>("ListView3")), 0);
    QCOMPARE(LogLines(), QStringList{"Converteren is voltooid!"});
    TFormProgress* second = m_form->ConversionRun().ProgressWindow();
    QVERIFY(second != first);
    QVERIFY(first->isHidden());
    QVERIFY(second->isVisible());
  }

  // The run waits on its own thread while the window asks; a question that fails on the
  // window's thread ends the run with the error shown instead of leaving it waiting.
  void overwriteQuestionThatFailsEndsTheRunWithItsError() {
    const QStringList names = {"p1.jpg", "p2.jpg"};
    QVERIFY(AddPhotos(names, 40, 30));
    QVERIFY(QDir().mkpath(m_target));
    QVERIFY(test::WriteTextFile(Output("p2.jpg"), "oud"));
    OverwriteQuestionThrows messages({MessageAnswer::Ok});

    QCOMPARE(Run(Settings()), TRunEnd::Cancelled);

    QCOMPARE(messages.asked.size(), 1);
    QCOMPARE(messages.asked[0].type, MessageType::Error);
    QVERIFY(messages.asked[0].text.startsWith(QString::fromLatin1(std::bad_alloc().what())));
    QCOMPARE(test::ReadWholeFile(Output("p2.jpg")), QByteArray("oud"));
    QVERIFY(!m_form->ConversionRun().Running());
    QVERIFY(m_form->findChild<QWidget*>("btnNext")->isEnabled());
    // The window can start the next run.
    ScriptedMessages answers({MessageAnswer::No, MessageAnswer::No});
    QCOMPARE(Run(Settings()), TRunEnd::Completed);
  }

  void stopButtonEndsTheRunBeforeTheNextPhoto() {
    const QStringList names = {"p1.jpg", "p2.jpg", "p3.jpg"};
    QVERIFY(AddPhotos(names, 80, 60));
    QVERIFY(QDir().mkpath(m_target));
    QVERIFY(test::WriteTextFile(Output("p2.jpg"), "oud"));
    // The stop question (Yes) comes while the run waits at photo 2; photo 2 is then skipped.
    StopAtOverwriteQuestion messages(*m_form,
                                     {MessageAnswer::No, MessageAnswer::Yes, MessageAnswer::Ok});

    QCOMPARE(Run(Settings()), TRunEnd::Cancelled);

    QCOMPARE(messages.asked.size(), 3);
    QCOMPARE(messages.asked[1].text, QString("Weet u zeker dat u nu wilt stoppen met resizen?"));
    QCOMPARE(messages.asked[2].text, QString("Converteren is geannuleerd!"));
    auto* results = m_form->findChild<QTreeView*>("ListView3");
    QCOMPARE(test::Captions(results), QStringList{"p1.jpg"});
    QCOMPARE(test::CheckState(results, 0), Qt::Unchecked);
    QVERIFY(!QFile::exists(Output("p3.jpg")));
    QCOMPARE(LogLines().last(), QString("Converteren is geannuleerd!"));
    TFormProgress* progress = m_form->ConversionRun().ProgressWindow();
    QCOMPARE(progress->findChild<QPushButton*>("btnClose")->text(), QString("OK"));
    QVERIFY(!m_form->findChild<QWidget*>("SpeedButton8")->isEnabled());
    QVERIFY(m_form->findChild<QWidget*>("btnNext")->isEnabled());
    QVERIFY(m_form->RunGate().Cancelled());
  }

  // While the stop question is open no photo starts; "Nee" lets the run go on, and after
  // "Ja" no photo starts that had not started when it was answered.
  void noPhotoStartsBehindTheStopQuestionNorAfterJa() {
    QStringList names;
    for (int i = 0; i < 24; ++i) names << QString("p%1.jpg").arg(i, 2, 10, QChar('0'));
    QVERIFY(AddPhotos(names, 3000, 2000));
    SlowStopAnswers messages(m_target, {MessageAnswer::No, MessageAnswer::Yes, MessageAnswer::Ok});
    TRunController& run = m_form->ConversionRun();
    QSignalSpy ended(&run, &TRunController::RunEnded);
    m_form->StartConversionRun(Settings());
    auto converted = [this] { return LogLines().filter("Bezig met foto").size(); };
    QTRY_VERIFY_WITH_TIMEOUT(run.ProgressWindow() && converted() >= 1, 30000);
    auto* stop = run.ProgressWindow()->findChild<QPushButton*>("btnClose");
    QTest::mouseClick(stop, Qt::LeftButton);  // "Nee"
    const int after_no = converted();
    QTRY_VERIFY_WITH_TIMEOUT(converted() > after_no, 30000);
    QTest::mouseClick(stop, Qt::LeftButton);  // "Ja"
    QTRY_COMPARE_WITH_TIMEOUT(ended.size(), 1, 60000);

    QCOMPARE(ended.first().first().value<TRunEnd>(), TRunEnd::Cancelled);
    QCOMPARE(messages.at_question.size(), 2);
    for (const auto& [opened, answered] : messages.at_question) QCOMPARE(answered, opened);
    QCOMPARE(messages.Outputs(), messages.at_question[1].second);
    QVERIFY(messages.Outputs().size() < names.size());
    QCOMPARE(test::RowCount(m_form->findChild<QTreeView*>("ListView3")),
             messages.Outputs().size());
  }

  // "Ja" reaches into the photo being converted: a photo that keeps the decoder busy for
  // seconds ends while it is open, as a stop: no line, no output, not listed.
  void confirmedStopEndsThePhotoBeingConverted() {
    const QString slow = Source("traag.jpg");
    const std::vector<uint8_t> bytes = test::MakeSlowJpeg(8000);
    QVERIFY(test::WriteTextFile(slow, QByteArray(reinterpret_cast<const char*>(bytes.data()),
                                                 static_cast<qsizetype>(bytes.size()))));
    QVERIFY(test::WriteTestPhoto(Source("p1.jpg"), 80, 60));
    QVERIFY(AddToList({Source("p1.jpg"), slow}));
    QVERIFY(!IsOpenHere(slow));
    ScriptedMessages messages({MessageAnswer::Yes, MessageAnswer::Ok});
    TRunSettings settings = Settings();
    settings.jobs = 1;
    TRunController& run = m_form->ConversionRun();
    QSignalSpy ended(&run, &TRunController::RunEnded);
    m_form->StartConversionRun(settings);
    QTRY_VERIFY_WITH_TIMEOUT(run.ProgressWindow() && LogLines().size() == 1 &&
                                 LogLines()[0].startsWith("Bezig met foto 1 van 2") &&
                                 IsOpenHere(slow),
                             30000);
    QTest::mouseClick(run.ProgressWindow()->findChild<QPushButton*>("btnClose"), Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(ended.size(), 1, 60000);

    QCOMPARE(ended.first().first().value<TRunEnd>(), TRunEnd::Cancelled);
    QCOMPARE(messages.asked.size(), 2);
    QCOMPARE(messages.asked[0].text, kStopQuestion);
    QCOMPARE(messages.asked[1].text, QString("Converteren is geannuleerd!"));
    QCOMPARE(LogLines(), QStringList({"Bezig met foto 1 van 2: " + Source("p1.jpg"),
                                      "Converteren is geannuleerd!"}));
    QCOMPARE(QDir(m_target).entryList(QDir::Files), QStringList{"p1.jpg"});
    QCOMPARE(test::Captions(m_form->findChild<QTreeView*>("ListView3")), QStringList{"p1.jpg"});
    QVERIFY(!IsOpenHere(slow));
  }

  void targetFolderThatCannotBeMadeLeavesEverythingAsItWas() {
    ScriptedMessages messages;
    QVERIFY(AddPhotos({"p1.jpg"}, 40, 30));
    QVERIFY(test::WriteTextFile(m_photos->filePath("bestand"), "geen map"));
    auto* results = m_form->findChild<QTreeView*>("ListView3");
    qobject_cast<TPhotoListModel*>(results->model())->Append({TListEntry{"blijft.jpg"}});
    // As the wizard leaves it: step 3 shows, step 2 is the tab of the first page.
    auto* steps = m_form->findChild<QTabWidget*>("PageControl1");
    auto* step2 = m_form->findChild<QWidget*>("TabSheet2");
    steps->setTabVisible(steps->indexOf(step2), true);
    steps->setCurrentWidget(step2);
    auto* pages = m_form->findChild<QStackedWidget*>("Notebook1");
    pages->setCurrentIndex(1);
    QVERIFY(QTest::qWaitForWindowActive(m_form.get()));
    m_form->SetTargetFolder("/vorige/");
    TRunSettings settings = Settings();
    settings.folder_field = m_photos->filePath("bestand/uit").toStdString();

    QCOMPARE(Run(settings), TRunEnd::TargetFolderFailed);

    QCOMPARE(messages.asked.size(), 1);
    QCOMPARE(messages.asked[0].type, MessageType::Error);
    QCOMPARE(messages.asked[0].buttons, MessageButtons::Ok);
    QCOMPARE(
        messages.asked[0].text,
        QString("Doelmap kan niet worden aangemaakt. Controleer of deze correct is ingevuld!"));
    QCOMPARE(pages->currentIndex(), 0);
    QTRY_VERIFY(m_form->findChild<QLineEdit*>("editExportMap")->hasFocus());
    QCOMPARE(test::Captions(results), QStringList{"blijft.jpg"});
    QVERIFY(m_form->ConversionRun().ProgressWindow() == nullptr);
    QCOMPARE(m_form->findChild<QPushButton*>("btnNext")->text(), QString("Ga verder "));
    QVERIFY(m_form->findChild<QWidget*>("btnNext")->isEnabled());
    QCOMPARE(m_form->TargetFolder(), QString("/vorige/"));
  }

  void windowKeepsWorkingWhileALargePhotoConverts() {
    ScriptedMessages messages;
    QVERIFY(AddPhotos({"groot.jpg"}, 6000, 4000));
    int ticks = 0;
    int ticks_at_end = -1;
    QTimer timer;
    connect(&timer, &QTimer::timeout, this, [&] { ++ticks; });
    connect(&m_form->ConversionRun(), &TRunController::RunEnded, this,
            [&] { ticks_at_end = ticks; });
    timer.start(5);
    // Nearly full size: the photo is decoded, resampled and encoded at 24 megapixels.
    TRunSettings settings = Settings();
    settings.width_text = "5000";
    QCOMPARE(Run(settings), TRunEnd::Completed);
    QVERIFY2(ticks_at_end > 0, "no timer tick during the run");
    QCOMPARE(LoadPictureByExtension(Output("groot.jpg").toStdString()).Width(), 5000);
  }

  // Closing the program during a run stops it: nothing new starts and nothing hangs, also
  // while the run waits for an answer that will never come.
  void closingTheWindowDuringARunStopsIt() {
    const QStringList names = {"p1.jpg", "p2.jpg", "p3.jpg"};
    QVERIFY(AddPhotos(names, 80, 60));
    QVERIFY(QDir().mkpath(m_target));
    QVERIFY(test::WriteTextFile(Output("p1.jpg"), "oud"));
    ScriptedMessages messages({MessageAnswer::Yes});
    m_form->StartConversionRun(Settings());
    m_form->close();
    m_form.reset();
    QVERIFY(messages.asked.isEmpty());
    QCOMPARE(test::ReadWholeFile(Output("p1.jpg")), QByteArray("oud"));
    QVERIFY(!QFile::exists(Output("p2.jpg")));
    QVERIFY(!QFile::exists(Output("p3.jpg")));
  }

  void closingTheWindowWhileAPhotoConverts() {
    ScriptedMessages messages;
    QVERIFY(AddPhotos({"groot1.jpg", "groot2.jpg"}, 6000, 4000));
    TRunSettings settings = Settings();
    settings.jobs = 1;
    m_form->StartConversionRun(settings);
    QTRY_VERIFY_WITH_TIMEOUT(m_form->ConversionRun().ProgressWindow() != nullptr, 20000);
    m_form->close();
    m_form.reset();
    QVERIFY(messages.asked.isEmpty());
  }

 private:
  TRunSettings Settings() const {
    TRunSettings settings;
    settings.width_text = "40";
    settings.height_text = "0";
    settings.target_mode = TTargetMode::TargetFolder;
    settings.folder_field = m_target.toStdString();
    settings.jobs = 2;
    return settings;
  }

  // Photos in the photo folder, put on the selection list by the list's own add.
  bool AddPhotos(const QStringList& names, int width, int height) {
    QStringList paths;
    for (const QString& name : names) {
      if (!test::WriteTestPhoto(Source(name), width, height)) return false;
      paths << Source(name);
    }
    return AddToList(paths);
  }
  bool AddToList(const QStringList& paths) {
    TSelectionList& list = m_form->SelectionList();
    QSignalSpy added(&list, &TSelectionList::AddFinished);
    return list.AddPaths(paths) && added.wait(20000) &&
           list.Entries().size() == static_cast<size_t>(paths.size());
  }

  // True while this program has the file open (a photo being converted).
  static bool IsOpenHere(const QString& path) {
    namespace fs = std::filesystem;
    const fs::path file = fs::canonical(path.toStdString());
    std::error_code error;
    for (const auto& fd : fs::directory_iterator("/proc/self/fd", error))
      if (fs::read_symlink(fd.path(), error) == file) return true;
    return false;
  }

  // Starts a run and waits for its end.
  TRunEnd Run(const TRunSettings& settings) {
    TRunController& run = m_form->ConversionRun();
    QSignalSpy ended(&run, &TRunController::RunEnded);
    m_form->StartConversionRun(settings);
    if (!ended.wait(60000)) return TRunEnd(-1);
    return ended.first().first().value<TRunEnd>();
  }

  QString Source(const QString& name) const { return m_photos->filePath(name); }
  QString Output(const QString& name) const { return m_target + "/" + name; }

  QStringList LogLines() const {
    const TFormProgress* progress = m_form->ConversionRun().ProgressWindow();
    return progress->findChild<QPlainTextEdit*>("memoLog")->toPlainText().split('\n');
  }

  std::unique_ptr<QTemporaryDir> m_data;
  std::unique_ptr<QTemporaryDir> m_photos;
  QString m_target;
  std::unique_ptr<TFormMain> m_form;
};

}  // namespace fotoloom

FOTOLOOM_GUI_TEST_MAIN(fotoloom::RunInWindowTest)
#include "RunInWindowTest.moc"
