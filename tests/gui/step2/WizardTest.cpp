#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QInputDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>
#include <optional>

#include "core/settings/IniFile.h"
#include "core/settings/Settings.h"
#include "core/settings/SizeProfiles.h"
#include "gui/step2/SizeProfilePanel.h"
#include "gui/step2/Step2Panel.h"
#include "gui/step2/Wizard.h"
#include "gui/support/GuiTestMain.h"
#include "gui/support/MainWindowFixture.h"
#include "gui/support/ModalDialogs.h"
#include "gui/support/PhotoListView.h"
#include "gui/support/ScriptedMessages.h"

namespace fotoloom {

using test::MainWindowFixture;
using test::ScriptedMessages;
using test::WhenModalShows;

namespace {

const QString kConfirmation =
    "Wilt u nu alle geselecteerde foto's aanpassen?\nDoelmap: %1\nAantal foto's: %2";

}  // namespace

class WizardTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    m_fx.emplace();
    m_runs = 0;
    // The run itself is the run controller's; here it is enough to see that it starts.
    m_fx->form->Wizard().SetStartRun([this] {
      ++m_runs;
      m_run_settings = m_fx->form->Step2().CollectRunSettings();
    });
    // What start-up does before the window is used.
    m_fx->form->Step2().Profiles().LoadProfiles();
    m_fx->form->SetResultCommandsEnabled(false);
    QVERIFY(m_fx->ShowActive());
  }
  void cleanup() { m_fx.reset(); }

  void startsOnStep1WithStep2Hidden() {
    QCOMPARE(Next()->text(), QString("Ga verder "));
    QVERIFY(!Tabs()->isTabVisible(1));
    QCOMPARE(Tabs()->currentIndex(), 0);
  }

  void step1NeedsAPhoto() {
    ScriptedMessages messages;
    Next()->click();
    QCOMPARE(messages.asked.size(), 1);
    QCOMPARE(messages.asked[0].type, MessageType::Confirmation);
    QCOMPARE(messages.asked[0].buttons, MessageButtons::Ok);
    QCOMPARE(messages.asked[0].text,
             QString("Om verder te gaan moet u minimaal 1 foto toevoegen!"));
    QVERIFY(!Tabs()->isTabVisible(1));
    QCOMPARE(Tabs()->currentIndex(), 0);

    m_fx->AddPhoto("/srv/fotos/", "a.jpg");
    Next()->click();
    QCOMPARE(messages.asked.size(), 1);
    QVERIFY(Tabs()->isTabVisible(1));
    QCOMPARE(Tabs()->currentIndex(), 1);
  }

  void step2ChecksInOrder_data() {
    QTest::addColumn<QString>("situation");
    QTest::addColumn<MessageType>("type");
    QTest::addColumn<MessageButtons>("buttons");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("focus");  // empty: the focus is not moved
    const auto warning = [](const char* situation, const char* text, const char* focus) {
      QTest::newRow(situation) << situation << MessageType::Warning << MessageButtons::Ok << text
                               << focus;
    };
    QTest::newRow("no target folder")
        << "no target folder" << MessageType::Confirmation << MessageButtons::YesNo
        << "U heeft geen doelmap geselecteerd. Wilt u nu een doelmap selecteren?"
        << "";
    QTest::newRow("target folder only a separator")
        << "target folder only a separator" << MessageType::Confirmation << MessageButtons::YesNo
        << "U heeft geen doelmap geselecteerd. Wilt u nu een doelmap selecteren?"
        << "";
    QTest::newRow("no sub-folder name")
        << "no sub-folder name" << MessageType::Error << MessageButtons::Ok
        << "U heeft geen naam submap ingevuld!"
        << "editExportMap";
    QTest::newRow("no profiles") << "no profiles" << MessageType::Confirmation
                                 << MessageButtons::YesNo
                                 << "U kunt niet verkleinen omdat er geen afmetingen aanwezig "
                                    "zijn. Wilt u nu een afmeting aanmaken?"
                                 << "";
    warning("no profile selected", "U heeft geen soort afmeting geselecteerd!", "cmbProfiel");
    warning("no width",
            "U heeft geen breedte ingevuld! Vul een 0 in als deze variabel moet blijven.",
            "editNormalBreedte");
    warning("no height",
            "U heeft geen hoogte ingevuld! Vul een 0 in als deze variabel moet blijven.",
            "editNormalHoogte");
    warning("width and height 0", "Breedte of hoogte moet minimaal groter zijn dan 0.",
            "editNormalBreedte");
    warning("no logo",
            "U heeft geen watermerk/logo geselecteerd.\nLet op: Watermerk/logo invoegen staat "
            "aangevinkt!",
            "editLogo");
    warning("no text", "U heeft geen tekst ingevuld.\nLet op: Tekst invoegen staat aangevinkt!",
            "editFontText");
    warning("neither logo nor text",
            "U heeft geen watermerk/logo geselecteerd.\nLet op: Watermerk/logo invoegen staat "
            "aangevinkt!",
            "editLogo");
  }
  void step2ChecksInOrder() {
    QFETCH(QString, situation);
    QFETCH(MessageType, type);
    QFETCH(MessageButtons, buttons);
    QFETCH(QString, text);
    QFETCH(QString, focus);
    GoToStep2();
    if (situation == "no target folder") Field("editExportMap")->clear();
    if (situation == "target folder only a separator") Field("editExportMap")->setText("/");
    if (situation == "no sub-folder name") Click("RadioTargetSubmap");
    if (situation == "no profiles") Click<QToolButton>("btnProfileDelete");
    if (situation == "no profile selected")
      m_fx->Find<QComboBox>("cmbProfiel")->setCurrentIndex(-1);
    if (situation == "no width") Field("editNormalBreedte")->setText("  ");
    if (situation == "no height") Field("editNormalHoogte")->clear();
    if (situation == "width and height 0") Field("editNormalBreedte")->setText("0");
    if (situation == "no logo" || situation == "neither logo nor text")
      m_fx->Find<QCheckBox>("chkAddLogo")->setChecked(true);
    if (situation == "no text" || situation == "neither logo nor text")
      m_fx->Find<QCheckBox>("chkAddText")->setChecked(true);
    if (situation == "no text") Field("editLogo")->setText("/srv/logo.png");
    // Somewhere else, so that a check that moves the focus shows.
    m_fx->Find<QRadioButton>("RadioRenameSame")->setFocus();

    ScriptedMessages messages({MessageAnswer::No});
    Next()->click();
    QCOMPARE(messages.asked.size(), 1);
    QCOMPARE(messages.asked[0].type, type);
    QCOMPARE(messages.asked[0].buttons, buttons);
    QCOMPARE(messages.asked[0].text, text);
    QCOMPARE(Tabs()->currentIndex(), 1);
    QCOMPARE(m_fx->form->focusWidget()->objectName(),
             focus.isEmpty() ? QString("RadioRenameSame") : focus);
    QCOMPARE(m_runs, 0);
    QVERIFY(!QFile::exists(m_fx->SettingsFile()));
  }

  void sameFolderIsNotCheckedButShownInTheConfirmation() {
    GoToStep2();
    Click("RadioTargetSame");
    Field("editExportMap")->setText("");
    ScriptedMessages messages({MessageAnswer::No});
    Next()->click();
    QCOMPARE(messages.asked.size(), 1);
    QCOMPARE(messages.asked[0].type, MessageType::Confirmation);
    QCOMPARE(messages.asked[0].buttons, MessageButtons::YesNo);
    QCOMPARE(messages.asked[0].text, kConfirmation.arg("").arg(2));
    // No: nothing happens.
    QCOMPARE(Pages()->currentIndex(), 0);
    QCOMPARE(m_runs, 0);
    QVERIFY(!QFile::exists(m_fx->SettingsFile()));
  }

  void yesToNoTargetFolderOpensTheFolderChooser() {
    GoToStep2();
    Field("editExportMap")->clear();
    QDir home(m_fx->Home());
    QVERIFY(home.mkpath("uitvoer"));
    QString title;
    WhenModalShows<QFileDialog>([&](QFileDialog* dialog) {
      title = dialog->windowTitle();
      dialog->setDirectory(home.filePath("uitvoer"));
      static_cast<QDialog*>(dialog)->accept();
    });
    ScriptedMessages messages({MessageAnswer::Yes});
    Next()->click();
    QCOMPARE(title, QString("Selecteer doelmap"));
    QCOMPARE(Field("editExportMap")->text(), home.filePath("uitvoer/"));
    QCOMPARE(messages.asked.size(), 1);
    QCOMPARE(m_runs, 0);
  }

  void yesToNoProfilesAsksForANewOne() {
    GoToStep2();
    Click<QToolButton>("btnProfileDelete");
    WhenModalShows<QInputDialog>([](QInputDialog* box) {
      box->setTextValue("Klein");
      box->accept();
    });
    ScriptedMessages messages({MessageAnswer::Yes, MessageAnswer::Ok});
    Next()->click();
    auto* profiles = m_fx->Find<QComboBox>("cmbProfiel");
    QCOMPARE(profiles->count(), 1);
    QCOMPARE(profiles->currentText(), QString("Klein"));
    // The new profile has no width yet: the next Next asks for it.
    Next()->click();
    QCOMPARE(messages.asked.size(), 2);
    QCOMPARE(messages.asked[1].text, QString("U heeft geen breedte ingevuld! Vul een 0 in als "
                                             "deze variabel moet blijven."));
    QCOMPARE(m_runs, 0);
  }

  void confirmedStep2StoresProfileAndSettingsAndStartsTheRun() {
    GoToStep2();
    const QString folder = Field("editExportMap")->text();
    Field("editNormalHoogte")->setText("480");
    m_fx->Find<QCheckBox>("chkAddText")->setChecked(true);
    Field("editFontText")->setText("Zomer");
    ScriptedMessages messages({MessageAnswer::Yes});
    Next()->click();
    QCOMPARE(messages.asked.size(), 1);
    QCOMPARE(messages.asked[0].text, kConfirmation.arg(folder).arg(2));

    const TIniFile file(m_fx->SettingsFile().toStdString());
    TSizeProfile stored;
    stored.Height = "480";
    QVERIFY(ReadProfile(file, "Standaard foto's") == stored);
    const TSettings saved = LoadSettings(file);
    QVERIFY(saved.Addtext);
    QCOMPARE(saved.FontText, std::string("Zomer"));
    QVERIFY(saved == m_fx->form->Settings());
    QCOMPARE(Pages()->currentIndex(), 1);
    QCOMPARE(m_runs, 1);
    QCOMPARE(m_run_settings.height_text, std::string("480"));
    QCOMPARE(m_run_settings.folder_field, folder.toStdString());
  }

  void noCopyListsTheSelectionInStep3() {
    QTemporaryDir photos;
    QStringList names = {"a.jpg", "b.gif", "c.bmp"};
    for (const QString& name : names) {
      QFile file(photos.filePath(name));
      QVERIFY(file.open(QIODevice::WriteOnly));
      file.write("x");
    }
    const QString folder = photos.path() + '/';
    m_fx->AddPhoto(folder, "a.jpg");
    m_fx->AddPhoto(folder, "b.gif");
    m_fx->AddPhoto(folder, "c.bmp");
    ScriptedMessages messages;
    Next()->click();
    Click("RadioTargetUpload");
    Next()->click();

    QVERIFY(messages.asked.isEmpty());
    QCOMPARE(Pages()->currentIndex(), 1);
    QCOMPARE(Next()->text(), QString("Opnieuw beginnen"));
    auto* results = m_fx->Find<QTreeView>("ListView3");
    QCOMPARE(test::RowCount(results), 3);
    for (int i = 0; i < 3; ++i) {
      QCOMPARE(test::Text(results, i, 0), names[i]);
      QCOMPARE(test::Text(results, i, 1), QString("1.0 kB"));
      QCOMPARE(test::Text(results, i, 2), folder);
      QCOMPARE(test::CheckState(results, i), Qt::Unchecked);
      QVERIFY(results->model()->index(i, 0).flags() & Qt::ItemIsUserCheckable);
    }
    // Not busy; rotate and edit keep their state from start-up.
    QVERIFY(Next()->isEnabled());
    QVERIFY(!m_fx->Find<QWidget>("SpeedButton8")->isEnabled());
    QVERIFY(!m_fx->Find<QWidget>("SpeedButton9")->isEnabled());
    // Nothing written: no copy, no settings.
    QCOMPARE(QDir(photos.path()).entryList(QDir::Files | QDir::NoDotAndDotDot), names);
    QVERIFY(!QFile::exists(m_fx->SettingsFile()));
    QCOMPARE(m_runs, 0);
  }

  void restartGoesBackToStep1KeepingTheSelection() {
    m_fx->AddPhoto("/srv/fotos/", "a.jpg");
    Next()->click();
    Click("RadioTargetUpload");
    Next()->click();
    m_fx->form->SetResultCommandsEnabled(true);

    ScriptedMessages messages({MessageAnswer::No, MessageAnswer::Yes});
    Next()->click();
    QCOMPARE(messages.asked.size(), 1);
    QCOMPARE(messages.asked[0].type, MessageType::Confirmation);
    QCOMPARE(messages.asked[0].buttons, MessageButtons::YesNo);
    QCOMPARE(messages.asked[0].text,
             QString("Wilt u opnieuw beginnen?\nUw geselecteerde foto's blijven geselecteerd."));
    QCOMPARE(Pages()->currentIndex(), 1);
    QCOMPARE(test::RowCount(m_fx->Find<QTreeView>("ListView3")), 1);

    Next()->click();
    QCOMPARE(Pages()->currentIndex(), 0);
    QCOMPARE(Tabs()->currentIndex(), 0);
    QCOMPARE(test::RowCount(m_fx->Find<QTreeView>("ListView3")), 0);
    QCOMPARE(test::RowCount(m_fx->Find<QTreeView>("ListView1")), 1);
    QCOMPARE(Next()->text(), QString("Ga verder"));
    for (const char* command :
         {"btnMailen", "btnMapOpenen", "btnExtra", "btnUploaden", "SpeedButton8", "SpeedButton9"})
      QVERIFY2(!m_fx->Find<QWidget>(command)->isEnabled(), command);

    // Straight on to step 2, where the choices are as they were.
    Next()->click();
    QCOMPARE(messages.asked.size(), 2);
    QCOMPARE(Tabs()->currentIndex(), 1);
    QVERIFY(m_fx->Find<QRadioButton>("RadioTargetUpload")->isChecked());
  }

 private:
  QPushButton* Next() { return m_fx->Find<QPushButton>("btnNext"); }
  QTabWidget* Tabs() { return m_fx->Find<QTabWidget>("PageControl1"); }
  QStackedWidget* Pages() { return m_fx->Find<QStackedWidget>("Notebook1"); }
  QLineEdit* Field(const char* name) { return m_fx->Find<QLineEdit>(name); }
  template <typename Button = QRadioButton>
  void Click(const char* name) {
    m_fx->Find<Button>(name)->click();
  }

  // Two photos selected and step 2 showing, with the start-up profile "Standaard foto's".
  void GoToStep2() {
    m_fx->AddPhoto("/srv/fotos/", "a.jpg");
    m_fx->AddPhoto("/srv/fotos/", "b.jpg");
    Next()->click();
    QCOMPARE(Tabs()->currentIndex(), 1);
  }

  std::optional<MainWindowFixture> m_fx;
  int m_runs = 0;
  TRunSettings m_run_settings;
};

}  // namespace fotoloom

FOTOLOOM_GUI_TEST_MAIN(fotoloom::WizardTest)
#include "WizardTest.moc"
