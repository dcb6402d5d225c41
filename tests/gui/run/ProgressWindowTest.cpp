#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <atomic>

#include "gui/run/TFormProgress.h"
#include "gui/support/GuiTestMain.h"
#include "gui/support/ScriptedMessages.h"

namespace fotoloom {

class ProgressWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    m_gate.Reset();
    m_owner = std::make_unique<QWidget>();
    m_owner->show();
    m_progress = new TFormProgress(m_gate, m_owner.get());
    m_progress->show();
  }
  void cleanup() { m_owner.reset(); }

  void isASmallToolWindowOnTop() {
    QCOMPARE(m_progress->windowTitle(), QString("Voortgang"));
    QCOMPARE(m_progress->size(), QSize(589, 350));
    const Qt::WindowFlags flags = m_progress->windowFlags();
    QVERIFY(flags.testFlag(Qt::Tool));
    QVERIFY(flags.testFlag(Qt::WindowStaysOnTopHint));
    QVERIFY(!flags.testFlag(Qt::WindowCloseButtonHint));
    QVERIFY(!flags.testFlag(Qt::WindowMinimizeButtonHint));
    QVERIFY(Status()->text().isEmpty());
    QVERIFY(Log()->isReadOnly());
    QCOMPARE(Log()->lineWrapMode(), QPlainTextEdit::NoWrap);
    QCOMPARE(Button()->text(), QString("Stoppen"));
  }

  void statusLinesGoToTheLabelAndTheLog() {
    m_progress->WriteStatus("Bezig met foto 1 van 2: /foto/a.jpg");
    m_progress->AppendLog("alleen in het log");
    m_progress->WriteStatus("Converteren is voltooid!");
    QCOMPARE(Status()->text(), QString("Converteren is voltooid!"));
    QCOMPARE(Log()->toPlainText(), QString("Bezig met foto 1 van 2: /foto/a.jpg\n"
                                           "alleen in het log\n"
                                           "Converteren is voltooid!"));
    m_progress->ClearLog();
    QVERIFY(Log()->toPlainText().isEmpty());
  }

  void barStepsUpToItsMaximum() {
    m_progress->SetMaximum(3);
    m_progress->SetPosition(0);
    m_progress->SetStep(2);
    m_progress->StepIt();
    QCOMPARE(Bar()->value(), 2);
    m_progress->StepIt();
    QCOMPARE(Bar()->value(), 3);
    QCOMPARE(Bar()->maximum(), 3);
  }

  void stopButton_data() {
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QList<MessageAnswer>>("answers");
    QTest::addColumn<int>("questions");
    QTest::addColumn<bool>("cancelled");
    QTest::addColumn<QString>("caption_after");
    QTest::addColumn<bool>("visible_after");
    QTest::newRow("stop, yes") << "Stoppen" << QList{MessageAnswer::Yes} << 1 << true << "OK"
                               << true;
    QTest::newRow("stop, no") << "Stoppen" << QList{MessageAnswer::No} << 1 << false << "Stoppen"
                              << true;
    QTest::newRow("stop, question closed")
        << "Stoppen" << QList{MessageAnswer::Cancel} << 1 << false << "Stoppen" << true;
    QTest::newRow("ok hides") << "OK" << QList<MessageAnswer>{} << 0 << false << "OK" << false;
    QTest::newRow("any other caption hides")
        << "Sluiten" << QList<MessageAnswer>{} << 0 << false << "Sluiten" << false;
  }
  void stopButton() {
    QFETCH(QString, caption);
    QFETCH(QList<MessageAnswer>, answers);
    QFETCH(int, questions);
    QFETCH(bool, cancelled);
    QFETCH(QString, caption_after);
    QFETCH(bool, visible_after);
    m_progress->SetButtonCaption(caption);
    test::ScriptedMessages messages(answers);
    Button()->click();
    QCOMPARE(messages.asked.size(), questions);
    if (questions > 0) {
      QVERIFY(messages.asked[0].type == MessageType::Warning);
      QCOMPARE(messages.asked[0].text, QString("Weet u zeker dat u nu wilt stoppen met resizen?"));
      QVERIFY(messages.asked[0].buttons == MessageButtons::YesNo);
    }
    QCOMPARE(m_gate.Cancelled(), cancelled);
    QCOMPARE(Button()->text(), caption_after);
    QCOMPARE(m_progress->isVisible(), visible_after);
  }

  // The window manager can close it all the same; while the run can still be stopped that
  // is the stop question, not a hidden window.
  void closingAsksTheStopQuestionWhileTheRunGoesOn() {
    test::ScriptedMessages messages({MessageAnswer::No, MessageAnswer::Yes});
    QVERIFY(!m_progress->close());
    QVERIFY(m_progress->isVisible());
    QVERIFY(!m_progress->close());
    QVERIFY(m_gate.Cancelled());
    QCOMPARE(Button()->text(), QString("OK"));
    QVERIFY(m_progress->close());
    QVERIFY(!m_progress->isVisible());
    QCOMPARE(messages.asked.size(), 2);
  }

 private:
  QLabel* Status() { return m_progress->findChild<QLabel*>("lblStatus"); }
  QPlainTextEdit* Log() { return m_progress->findChild<QPlainTextEdit*>("memoLog"); }
  QProgressBar* Bar() { return m_progress->findChild<QProgressBar*>("ProgressBar1"); }
  QPushButton* Button() { return m_progress->findChild<QPushButton*>("btnClose"); }

  TRunGate m_gate;
  std::unique_ptr<QWidget> m_owner;
  TFormProgress* m_progress = nullptr;
};

}  // namespace fotoloom

FOTOLOOM_GUI_TEST_MAIN(fotoloom::ProgressWindowTest)
#include "ProgressWindowTest.moc"
