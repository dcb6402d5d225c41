#include <QAbstractButton>
#include <QPushButton>
#include <QTest>
#include <stdexcept>

#include "gui/common/HandlerGuard.h"
#include "gui/common/MessageBoxDialog.h"
#include "gui/common/Messages.h"
#include "gui/support/GuiTestMain.h"
#include "gui/support/ScriptedMessages.h"

namespace fotoloom {

enum class UserAction { Enter, Escape, CloseButton, AltJ, AltN };

class MessagesTest : public QObject {
  Q_OBJECT

 private slots:
  void everyTypeShowsItsDutchCaption_data() {
    QTest::addColumn<MessageType>("type");
    QTest::addColumn<QString>("caption");
    QTest::newRow("warning") << MessageType::Warning << "Waarschuwing";
    QTest::newRow("error") << MessageType::Error << "Foutmelding";
    QTest::newRow("information") << MessageType::Information << "Informatie";
    QTest::newRow("confirmation") << MessageType::Confirmation << "Akkoord";
  }
  void everyTypeShowsItsDutchCaption() {
    QFETCH(MessageType, type);
    QFETCH(QString, caption);
    test::ScriptedMessages messages({MessageAnswer::No});
    QVERIFY(ShowMessage(nullptr, type, "Doorgaan?", MessageButtons::YesNo) == MessageAnswer::No);
    QCOMPARE(messages.asked.size(), 1);
    QVERIFY(messages.asked[0].type == type);
    QCOMPARE(messages.asked[0].caption, caption);
    QCOMPARE(messages.asked[0].text, QString("Doorgaan?"));
    QVERIFY(messages.asked[0].buttons == MessageButtons::YesNo);

    MessageBoxDialog box(nullptr, messages.asked[0]);
    QCOMPARE(box.windowTitle(), caption);
    QVERIFY(box.icon() != QMessageBox::NoIcon);
  }

  void buttonsCarryDutchCaptions_data() {
    QTest::addColumn<MessageButtons>("buttons");
    QTest::addColumn<QStringList>("captions");
    QTest::newRow("ok") << MessageButtons::Ok << QStringList{"OK"};
    QTest::newRow("yes no") << MessageButtons::YesNo << QStringList{"&Ja", "&Nee"};
    QTest::newRow("yes no cancel")
        << MessageButtons::YesNoCancel << QStringList{"&Ja", "&Nee", "Annuleren"};
  }
  void buttonsCarryDutchCaptions() {
    QFETCH(MessageButtons, buttons);
    QFETCH(QStringList, captions);
    MessageBoxDialog box(nullptr, {MessageType::Confirmation, "Akkoord", "Vraag", buttons});
    QStringList shown;
    for (QAbstractButton* button : box.buttons()) shown << button->text();
    shown.sort();
    captions.sort();
    QCOMPARE(shown, captions);
  }

  // A real box, driven by the keyboard and its title-bar button.
  void keysAndCloseButtonAnswer_data() {
    QTest::addColumn<MessageButtons>("buttons");
    QTest::addColumn<UserAction>("action");
    QTest::addColumn<MessageAnswer>("answer");
    QTest::newRow("ok enter") << MessageButtons::Ok << UserAction::Enter << MessageAnswer::Ok;
    QTest::newRow("ok escape") << MessageButtons::Ok << UserAction::Escape << MessageAnswer::Ok;
    QTest::newRow("ok close") << MessageButtons::Ok << UserAction::CloseButton
                              << MessageAnswer::Cancel;
    QTest::newRow("yes/no enter") << MessageButtons::YesNo << UserAction::Enter
                                  << MessageAnswer::Yes;
    QTest::newRow("yes/no escape")
        << MessageButtons::YesNo << UserAction::Escape << MessageAnswer::No;
    QTest::newRow("yes/no close") << MessageButtons::YesNo << UserAction::CloseButton
                                  << MessageAnswer::Cancel;
    QTest::newRow("yes/no alt+j") << MessageButtons::YesNo << UserAction::AltJ
                                  << MessageAnswer::Yes;
    QTest::newRow("yes/no alt+n") << MessageButtons::YesNo << UserAction::AltN << MessageAnswer::No;
    QTest::newRow("yes/no/cancel enter")
        << MessageButtons::YesNoCancel << UserAction::Enter << MessageAnswer::Yes;
    QTest::newRow("yes/no/cancel escape")
        << MessageButtons::YesNoCancel << UserAction::Escape << MessageAnswer::Cancel;
    QTest::newRow("yes/no/cancel close")
        << MessageButtons::YesNoCancel << UserAction::CloseButton << MessageAnswer::Cancel;
  }
  void keysAndCloseButtonAnswer() {
    QFETCH(MessageButtons, buttons);
    QFETCH(UserAction, action);
    QFETCH(MessageAnswer, answer);
    MessageBoxDialog box(nullptr, {MessageType::Information, "Informatie", "Tekst", buttons});
    box.show();
    box.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&box));
    switch (action) {
      case UserAction::Enter:
        QTest::keyClick(&box, Qt::Key_Return);
        break;
      case UserAction::Escape:
        QTest::keyClick(&box, Qt::Key_Escape);
        break;
      case UserAction::CloseButton:
        box.close();
        break;
      case UserAction::AltJ:
        QTest::keyClick(&box, Qt::Key_J, Qt::AltModifier);
        break;
      case UserAction::AltN:
        QTest::keyClick(&box, Qt::Key_N, Qt::AltModifier);
        break;
    }
    QTRY_VERIFY_WITH_TIMEOUT(!box.isVisible(), 5000);
    QVERIFY(box.Answer() == answer);
  }

  void textLineBreaksAreShownAsOne() {
    test::ScriptedMessages messages;
    ShowMessage(nullptr, MessageType::Warning, "Regel een\n\rRegel twee\n\rRegel drie",
                MessageButtons::Ok);
    ShowError(nullptr, "Eerste deel\n\rtweede deel");
    QCOMPARE(messages.asked[0].text, QString("Regel een\nRegel twee\nRegel drie"));
    QCOMPARE(messages.asked[1].text, QString("Eerste deel\ntweede deel."));
  }

  void valuesTakeThePlaceOfTheirPlaceholder() {
    QCOMPARE(FormatMessage("Foto bestaat al! ( %s ) Wilt u alles overschrijven?",
                           QString("C:\\foto's\\a.jpg")),
             QString("Foto bestaat al! ( C:\\foto's\\a.jpg ) Wilt u alles overschrijven?"));
    QCOMPARE(FormatMessage("Aantal foto's geselecteerd: %d", 12),
             QString("Aantal foto's geselecteerd: 12"));
    QCOMPARE(FormatMessage("Aantal foto's geselecteerd: %d", 0),
             QString("Aantal foto's geselecteerd: 0"));
    // A value is put in once and not read again for placeholders.
    QCOMPARE(FormatMessage("Kan %s niet openen", QString("%s.jpg")),
             QString("Kan %s.jpg niet openen"));
    QCOMPARE(FormatMessage("Geen plaats", QString("x")), QString("Geen plaats"));
  }

  void errorDisplayEndsTheSentence_data() {
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("shown");
    QTest::newRow("letter") << "Bitmap image is not valid"
                            << "Bitmap image is not valid.";
    QTest::newRow("digit") << "JPEG error #42"
                           << "JPEG error #42.";
    QTest::newRow("quote") << "'12a' is not a valid integer value"
                           << "'12a' is not a valid integer value.";
    QTest::newRow("slash sorts after dot") << "Unable to write to /tmp/"
                                           << "Unable to write to /tmp/.";
    QTest::newRow("accented letter") << "Fout in foto café"
                                     << "Fout in foto café.";
    QTest::newRow("exclamation mark") << "Controleer de map!"
                                      << "Controleer de map!";
    QTest::newRow("full stop") << "Cannot open file. No such file."
                               << "Cannot open file. No such file.";
    QTest::newRow("blank") << "Ends in a blank "
                           << "Ends in a blank ";
    QTest::newRow("hyphen sorts before dot") << "a-"
                                             << "a-";
    QTest::newRow("closing parenthesis") << "(fout)"
                                         << "(fout)";
    QTest::newRow("empty") << ""
                           << "";
  }
  void errorDisplayEndsTheSentence() {
    QFETCH(QString, message);
    QFETCH(QString, shown);
    test::ScriptedMessages messages;
    ShowError(nullptr, message);
    QCOMPARE(messages.asked.size(), 1);
    QVERIFY(messages.asked[0].type == MessageType::Error);
    QCOMPARE(messages.asked[0].caption, QString("Fotoloom"));
    QCOMPARE(messages.asked[0].text, shown);
    QVERIFY(messages.asked[0].buttons == MessageButtons::Ok);
  }

  // The guard ends the action, switches the busy state off first and then shows the error.
  void guardShowsAnErrorAfterTheBusyStateIsRestored() {
    test::ScriptedMessages messages;
    QStringList events;
    bool reached_end = false;
    Guard(
        nullptr, [&](bool busy) { events << (busy ? "busy" : "idle"); },
        [&] {
          events << "work";
          throw std::runtime_error("Cannot create file \"/x/a.jpg\". Permission denied");
          reached_end = true;
        });
    QVERIFY(!reached_end);
    QCOMPARE(events, (QStringList{"busy", "work", "idle"}));
    QCOMPARE(messages.asked.size(), 1);
    QCOMPARE(messages.asked[0].caption, QString("Fotoloom"));
    QCOMPARE(messages.asked[0].text,
             QString("Cannot create file \"/x/a.jpg\". Permission denied."));
  }

  void guardShowsNothingWhenTheActionSucceeds() {
    test::ScriptedMessages messages;
    QStringList events;
    Guard(
        nullptr, [&](bool busy) { events << (busy ? "busy" : "idle"); }, [&] { events << "work"; });
    QCOMPARE(events, (QStringList{"busy", "work", "idle"}));
    QVERIFY(messages.asked.isEmpty());
  }

  void guardShowsAnExceptionOfAnyKind() {
    test::ScriptedMessages messages;
    Guard(nullptr, [] { throw 42; });
    QCOMPARE(messages.asked.size(), 1);
    QCOMPARE(messages.asked[0].text, QString("Onbekende fout."));
  }
};

}  // namespace fotoloom

FOTOLOOM_GUI_TEST_MAIN(fotoloom::MessagesTest)
#include "MessagesTest.moc"
