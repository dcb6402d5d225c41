#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QFileDialog>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>
#include <optional>

#include "core/settings/IniFile.h"
#include "gui/step2/SizeProfilePanel.h"
#include "gui/step2/Step2Panel.h"
#include "gui/support/GuiTestMain.h"
#include "gui/support/MainWindowFixture.h"
#include "gui/support/ModalDialogs.h"
#include "gui/support/ScriptedMessages.h"

namespace fotoloom {

using test::MainWindowFixture;
using test::ScriptedMessages;
using test::WhenModalShows;

namespace {

const char kTwoProfiles[] =
    "[Settings]\n"
    "Photodelay=100\n"
    "[Klein]\n"
    "Foto_breedte=320\n"
    "Foto_hoogte=240\n"
    "Foto_kwaliteit=80\n"
    "Foto_achtergrondkleur=clBlack\n"
    "[Groot]\n"
    "Foto_breedte=1024\n";

QColor Background(const QLineEdit* field) {
  return field->palette().color(QPalette::Base);
}

QStringList Items(const QComboBox* combo) {
  QStringList items;
  for (int i = 0; i < combo->count(); ++i) items << combo->itemText(i);
  return items;
}

}  // namespace

class Step2Test : public QObject {
  Q_OBJECT

 private slots:
  void init() { m_fx.emplace(); }
  void cleanup() { m_fx.reset(); }

  void controlsCarryTheirNamesAndTexts_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("hint");
    const auto row = [](const char* name, const char* kind, const char* text = "",
                        const char* hint = "") {
      QTest::newRow(name) << name << kind << text << hint;
    };
    row("lblDoelmap", "QLabel", "Doelmap");
    row("editExportMap", "QLineEdit", nullptr,
        "Selecteer hier een map waar de foto's naar toe gekopieerd moeten worden.");
    row("btnSelectExportmap", "QPushButton", "...");
    row("cmbProfiel", "QComboBox", nullptr, "Selecteer hier de soort afmeting.");
    row("btnProfileNew", "QToolButton", nullptr, "Nieuw afmeting aanmaken");
    row("btnProfileDelete", "QToolButton", nullptr, "Geselecteerde afmeting verwijderen");
    row("panelOptions", "QWidget");
    row("editNormalBreedte", "QLineEdit", nullptr, "Vul een 0 in voor een variabele breedte");
    row("editNormalHoogte", "QLineEdit", nullptr, "Vul een 0 in voor een variabele hoogte");
    row("editJPGKwaliteit", "QSpinBox");
    row("editColor", "QLineEdit");
    row("RadioTargetMap", "QRadioButton", "Doelmap");
    row("RadioTargetSame", "QRadioButton", "Dezelfde map");
    row("RadioTargetSubmap", "QRadioButton", "In submap binnen dezelfde map");
    row("RadioTargetUpload", "QRadioButton", "Niet kopieeren maar ga verder");
    row("chkAddLogo", "QCheckBox", "Watermerk/logo invoegen");
    row("chkAddText", "QCheckBox", "Tekst invoegen");
    row("panelWatermerk", "QWidget");
    row("editLogo", "QLineEdit");
    row("GaugeTransparancy", "QSlider");
    row("lblCounter", "QLabel", "255");
    row("panelTekst", "QWidget");
    row("editFontText", "QLineEdit");
    row("editFontsize", "QSpinBox");
    row("groupFilenames", "QGroupBox");
    row("RadioRenameSame", "QRadioButton", "Dezelfde bestandsnamen");
    row("RadioRenameGenerate", "QRadioButton", "Nieuwe bestandsnamen");
    row("RadioRenameUnique", "QRadioButton", "Unieke bestandsnamen");
    row("panelRename", "QWidget");
    row("editPrefix", "QLineEdit");
    row("editIncrement", "QSpinBox");
    row("editAppendix", "QLineEdit");
    row("cmbExtension", "QComboBox");
    row("chkInclBestandsnaam", "QCheckBox", "Incl. bestandsnaam");
    row("lblFilenameExample", "QLabel", "Voorbeeld: ");
  }
  void controlsCarryTheirNamesAndTexts() {
    QFETCH(QString, name);
    QFETCH(QString, kind);
    QFETCH(QString, text);
    QFETCH(QString, hint);
    const QList<QWidget*> found = m_fx->form->findChildren<QWidget*>(name);
    QCOMPARE(found.size(), 1);
    QWidget* control = found.first();
    QVERIFY2(control->inherits(kind.toLatin1()), control->metaObject()->className());
    if (!text.isNull()) {
      if (auto* label = qobject_cast<QLabel*>(control)) QCOMPARE(label->text(), text);
      if (auto* button = qobject_cast<QAbstractButton*>(control)) QCOMPARE(button->text(), text);
    }
    QCOMPARE(control->toolTip(), hint);
  }

  void fieldsHaveTheirRangesAndChoices() {
    const auto range = [this](const char* name) {
      auto* spin = m_fx->Find<QSpinBox>(name);
      return std::pair(spin->minimum(), spin->maximum());
    };
    QCOMPARE(range("editJPGKwaliteit"), std::pair(0, 100));
    QCOMPARE(range("editFontsize"), std::pair(0, 100));
    QCOMPARE(m_fx->Find<QSpinBox>("editFontsize")->value(), 22);
    QCOMPARE(m_fx->Find<QSpinBox>("editIncrement")->value(), 1);
    auto* slider = m_fx->Find<QSlider>("GaugeTransparancy");
    QCOMPARE(std::pair(slider->minimum(), slider->maximum()), std::pair(0, 255));
    QVERIFY(m_fx->Find<QLineEdit>("editColor")->isReadOnly());
    QCOMPARE(Items(m_fx->Find<QComboBox>("cmbExtension")),
             QStringList({".jpg", ".jpeg", ".JPG", ".JPEG"}));
    QVERIFY(!m_fx->Find<QComboBox>("cmbProfiel")->isEditable());
  }

  // A first start: no settings file at all.
  void firstStartShowsTheDefaultProfileAndOptions() {
    Step2().Profiles().LoadProfiles();
    Step2().LoadFromSettings(TSettings{});
    auto* profiles = m_fx->Find<QComboBox>("cmbProfiel");
    QCOMPARE(Items(profiles), QStringList{"Standaard foto's"});
    QCOMPARE(profiles->currentText(), QString("Standaard foto's"));
    ExpectSizePanel("650", "0", 90, "clWhite");
    QCOMPARE(Background(m_fx->Find<QLineEdit>("editColor")), QColor(Qt::white));
    QVERIFY(!m_fx->Find<QWidget>("panelOptions")->isHidden());
    QCOMPARE(m_fx->Find<QLineEdit>("editLogo")->text(), QString());
    QCOMPARE(m_fx->Find<QSlider>("GaugeTransparancy")->value(), 255);
    QCOMPARE(m_fx->Find<QSpinBox>("editFontsize")->value(), 22);
    for (const char* option : {"chkAddLogo", "chkAddText"})
      QVERIFY(!m_fx->Find<QCheckBox>(option)->isChecked());
    for (const char* panel : {"panelWatermerk", "panelTekst", "panelRename"})
      QVERIFY(m_fx->Find<QWidget>(panel)->isHidden());
    QVERIFY(!QFile::exists(m_fx->SettingsFile()));
  }

  void selectingAProfileReadsItsKeysWithDefaultsForMissingOnes() {
    WriteSettingsFile(kTwoProfiles);
    Step2().Profiles().LoadProfiles();
    auto* profiles = m_fx->Find<QComboBox>("cmbProfiel");
    QCOMPARE(Items(profiles), QStringList({"Klein", "Groot"}));
    ExpectSizePanel("320", "240", 80, "clBlack");
    QCOMPARE(Background(m_fx->Find<QLineEdit>("editColor")), QColor(Qt::black));
    profiles->setCurrentIndex(1);
    ExpectSizePanel("1024", "0", 90, "clWhite");
    QCOMPARE(Background(m_fx->Find<QLineEdit>("editColor")), QColor(Qt::white));
  }

  void newProfile_data() {
    QTest::addColumn<QString>("answer");  // null: Annuleren
    QTest::addColumn<QStringList>("items");
    QTest::addColumn<QString>("selected");
    QTest::addColumn<bool>("fields_emptied");
    QTest::newRow("cancelled") << QString() << QStringList{"Klein", "Groot"} << "Klein" << false;
    QTest::newRow("only blanks") << "   " << QStringList{"Klein", "Groot"} << "Klein" << false;
    QTest::newRow("new name, kept as typed")
        << " Msn foto's" << QStringList{"Klein", "Groot", " Msn foto's"} << " Msn foto's" << true;
    QTest::newRow("same name in other letters selects the existing one")
        << "KLEIN" << QStringList{"Klein", "Groot", "KLEIN"} << "Klein" << true;
  }
  void newProfile() {
    QFETCH(QString, answer);
    QFETCH(QStringList, items);
    QFETCH(QString, selected);
    QFETCH(bool, fields_emptied);
    WriteSettingsFile(kTwoProfiles);
    Step2().Profiles().LoadProfiles();
    QStringList seen;  // title, prompt, start text, buttons
    WhenModalShows<QInputDialog>([&](QInputDialog* box) {
      seen << box->windowTitle() << box->labelText() << box->textValue() << box->okButtonText()
           << box->cancelButtonText();
      if (answer.isNull()) {
        box->reject();
      } else {
        box->setTextValue(answer);
        box->accept();
      }
    });
    m_fx->Find<QToolButton>("btnProfileNew")->click();
    QCOMPARE(seen, QStringList({"Nieuwe naam afmeting",
                                "Vul een naam van de afmetingen in (vb: msn foto's)", "", "OK",
                                "Annuleren"}));

    auto* profiles = m_fx->Find<QComboBox>("cmbProfiel");
    QCOMPARE(Items(profiles), items);
    QCOMPARE(profiles->currentText(), selected);
    // Quality and colour stay; only width and height are emptied.
    if (fields_emptied) {
      ExpectSizePanel("", "", 80, "clBlack");
    } else {
      ExpectSizePanel("320", "240", 80, "clBlack");
    }
    QVERIFY(!m_fx->Find<QWidget>("panelOptions")->isHidden());
    QCOMPARE(ReadSettingsFile(), QByteArray(kTwoProfiles));
  }

  void deleteShowsTheProfileSelectedAfterIt() {
    WriteSettingsFile(kTwoProfiles);
    Step2().Profiles().LoadProfiles();
    auto* profiles = m_fx->Find<QComboBox>("cmbProfiel");
    profiles->setCurrentIndex(1);
    m_fx->Find<QToolButton>("btnProfileDelete")->click();
    QCOMPARE(Items(profiles), QStringList{"Klein"});
    QCOMPARE(TIniFile(m_fx->SettingsFile().toStdString()).ReadSections(),
             (std::vector<std::string>{"Settings", "Klein"}));
    // The fields hold Klein's values, so a conversion now cannot store Groot's under Klein.
    ExpectSizePanel("320", "240", 80, "clBlack");
    QVERIFY(!m_fx->Find<QWidget>("panelOptions")->isHidden());

    m_fx->Find<QToolButton>("btnProfileDelete")->click();
    QCOMPARE(profiles->count(), 0);
    QCOMPARE(TIniFile(m_fx->SettingsFile().toStdString()).ReadSections(),
             std::vector<std::string>{"Settings"});
    QVERIFY(m_fx->Find<QWidget>("panelOptions")->isHidden());
    QCOMPARE(m_fx->Find<QLineEdit>("editNormalBreedte")->text(), QString());
    QCOMPARE(m_fx->Find<QLineEdit>("editNormalHoogte")->text(), QString());
    // With nothing selected there is nothing to delete.
    m_fx->Find<QToolButton>("btnProfileDelete")->click();
    QCOMPARE(profiles->count(), 0);
  }

  void chosenColourShowsItsText_data() {
    QTest::addColumn<QColor>("color");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QColor>("ink");
    const QColor black(Qt::black);
    const QColor white(Qt::white);
    QTest::newRow("grey 200") << QColor(200, 200, 200) << "$00C8C8C8" << black;
    QTest::newRow("pure white") << QColor(255, 255, 255) << "clWhite" << black;
    QTest::newRow("blue byte first") << QColor(255, 128, 64) << "$004080FF" << black;
    QTest::newRow("named red") << QColor(255, 0, 0) << "clRed" << white;
    QTest::newRow("navy") << QColor(0, 0, 128) << "clNavy" << white;
    QTest::newRow("dark grey 100") << QColor(100, 100, 100) << "$00646464" << white;
    QTest::newRow("yellow") << QColor(255, 255, 0) << "clYellow" << black;
  }
  // The text reads on any colour: black on light ones, white on dark ones.
  void chosenColourShowsItsText() {
    QFETCH(QColor, color);
    QFETCH(QString, text);
    QFETCH(QColor, ink);
    Step2().Profiles().LoadProfiles();
    Step2().Profiles().ColorChosen(color);
    auto* field = m_fx->Find<QLineEdit>("editColor");
    QCOMPARE(field->text(), text);
    QCOMPARE(Background(field), color);
    QCOMPARE(field->palette().color(QPalette::Text), ink);
    QCOMPARE(Step2().CollectRunSettings().color_text, text.toStdString());
  }

  void blackOfAProfileShowsWhiteText() {
    WriteSettingsFile(kTwoProfiles);
    Step2().Profiles().LoadProfiles();
    auto* field = m_fx->Find<QLineEdit>("editColor");
    QCOMPARE(field->text(), QString("clBlack"));
    QCOMPARE(field->palette().color(QPalette::Text), QColor(Qt::white));
  }

  void clickIntoTheColourFieldOpensTheColourDialog() {
    Step2().Profiles().LoadProfiles();
    QVERIFY(m_fx->ShowActive());
    ShowStep2Tab();
    QColor offered;
    WhenModalShows<QColorDialog>([&](QColorDialog* dialog) {
      offered = dialog->currentColor();
      dialog->setCurrentColor(QColor(200, 200, 200));
      static_cast<QDialog*>(dialog)->accept();
    });
    QTest::mouseClick(m_fx->Find<QLineEdit>("editColor"), Qt::LeftButton);
    QCOMPARE(offered, QColor(Qt::white));
    QCOMPARE(m_fx->Find<QLineEdit>("editColor")->text(), QString("$00C8C8C8"));

    // Cancel changes nothing.
    WhenModalShows<QColorDialog>([](QColorDialog* dialog) { dialog->reject(); });
    m_fx->Find<QPushButton>("btnColor")->click();
    QCOMPARE(m_fx->Find<QLineEdit>("editColor")->text(), QString("$00C8C8C8"));
  }

  void unreadableColourTextIsReportedAndKeepsTheBackground() {
    WriteSettingsFile(QByteArray(kTwoProfiles) +
                      "[Vreemd]\nFoto_breedte=500\nFoto_achtergrondkleur=bogus\n");
    Step2().Profiles().LoadProfiles();
    ScriptedMessages messages;
    m_fx->Find<QComboBox>("cmbProfiel")->setCurrentIndex(2);
    QCOMPARE(messages.asked.size(), 1);
    QCOMPARE(messages.asked[0].type, MessageType::Error);
    QCOMPARE(messages.asked[0].caption, QString("Fotoloom"));
    QCOMPARE(messages.asked[0].text, QString("'bogus' is not a valid integer value."));
    ExpectSizePanel("500", "0", 90, "bogus");
    QCOMPARE(Background(m_fx->Find<QLineEdit>("editColor")), QColor(Qt::black));
  }

  void unreadableColourOfTheFirstProfileStillLoadsTheRest() {
    WriteSettingsFile("[Vreemd]\nFoto_achtergrondkleur=clNietBestaand\n");
    ScriptedMessages messages;
    Step2().Profiles().LoadProfiles();
    QCOMPARE(messages.asked.size(), 1);
    ExpectSizePanel("650", "0", 90, "clNietBestaand");
    QVERIFY(!m_fx->Find<QWidget>("panelOptions")->isHidden());
  }

  void leavingWidthOrHeightKeepsOnlyWholeNumbers_data() {
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("left");
    QTest::newRow("640px") << "editNormalBreedte"
                           << "640px"
                           << "";
    QTest::newRow("decimal") << "editNormalHoogte"
                             << "4.5"
                             << "";
    QTest::newRow("blank after") << "editNormalBreedte"
                                 << "12 "
                                 << "";
    QTest::newRow("blank before") << "editNormalBreedte"
                                  << " 12"
                                  << " 12";
    QTest::newRow("negative") << "editNormalHoogte"
                              << "-5"
                              << "-5";
    QTest::newRow("hexadecimal") << "editNormalBreedte"
                                 << "$1F"
                                 << "$1F";
    QTest::newRow("empty") << "editNormalHoogte"
                           << ""
                           << "";
  }
  void leavingWidthOrHeightKeepsOnlyWholeNumbers() {
    QFETCH(QString, field);
    QFETCH(QString, typed);
    QFETCH(QString, left);
    ScriptedMessages messages;
    Step2().Profiles().LoadProfiles();
    QVERIFY(m_fx->ShowActive());
    ShowStep2Tab();
    auto* edit = m_fx->Find<QLineEdit>(field);
    edit->setFocus();
    QVERIFY(edit->hasFocus());
    edit->setText(typed);
    QCOMPARE(edit->text(), typed);  // nothing happens while typing
    m_fx->Find<QLineEdit>("editExportMap")->setFocus();
    QCOMPARE(edit->text(), left);
    QVERIFY(messages.asked.isEmpty());
  }

  void targetRadios_data() {
    QTest::addColumn<QString>("before");  // clicked first, or empty
    QTest::addColumn<QString>("radio");
    QTest::addColumn<QString>("field");  // "proposal", "typed" or "empty"
    QTest::addColumn<bool>("read_only");
    QTest::addColumn<QString>("label");
    QTest::addColumn<bool>("browse");
    QTest::newRow("Doelmap") << ""
                             << "RadioTargetMap"
                             << "proposal" << false << "Doelmap" << true;
    QTest::newRow("Dezelfde map") << ""
                                  << "RadioTargetSame"
                                  << "typed" << true << "Doelmap" << false;
    QTest::newRow("In submap") << ""
                               << "RadioTargetSubmap"
                               << "empty" << false << "Naam submap" << false;
    QTest::newRow("Niet kopieeren") << ""
                                    << "RadioTargetUpload"
                                    << "empty" << false << "Naam submap" << false;
    QTest::newRow("Doelmap after Dezelfde map") << "RadioTargetSame"
                                                << "RadioTargetMap"
                                                << "proposal" << false << "Doelmap" << true;
  }
  void targetRadios() {
    QFETCH(QString, before);
    QFETCH(QString, radio);
    QFETCH(QString, field);
    QFETCH(bool, read_only);
    QFETCH(QString, label);
    QFETCH(bool, browse);
    auto* folder = m_fx->Find<QLineEdit>("editExportMap");
    if (!before.isEmpty()) m_fx->Find<QRadioButton>(before)->click();
    folder->setText("/srv/eigen map/");
    m_fx->Find<QRadioButton>(radio)->click();

    if (field == "proposal") {
      QVERIFY2(IsProposal(folder->text()), qPrintable(folder->text()));
    } else {
      QCOMPARE(folder->text(), field == "typed" ? QString("/srv/eigen map/") : QString());
    }
    QCOMPARE(folder->isReadOnly(), read_only);
    QCOMPARE(Background(folder),
             read_only ? folder->palette().color(QPalette::Button) : QColor(Qt::white));
    if (read_only) QVERIFY(Background(folder) != QColor(Qt::white));
    QCOMPARE(m_fx->Find<QLabel>("lblDoelmap")->text(), label);
    QCOMPARE(m_fx->Find<QPushButton>("btnSelectExportmap")->isEnabled(), browse);
  }

  void startsWithAProposedExportFolder() {
    QVERIFY(m_fx->Find<QRadioButton>("RadioTargetMap")->isChecked());
    QVERIFY(IsProposal(m_fx->Find<QLineEdit>("editExportMap")->text()));
  }

  void optionPanelsFollowEachOtherInTheirOrder() {
    QVERIFY(m_fx->ShowActive());
    ShowStep2Tab();
    m_fx->Find<QRadioButton>("RadioRenameGenerate")->click();
    struct Case {
      bool logo;
      bool text;
      QStringList visible_top_down;
    };
    const Case cases[] = {
        {true, true, {"panelWatermerk", "panelTekst", "panelRename"}},
        {false, true, {"panelTekst", "panelRename"}},
        {true, false, {"panelWatermerk", "panelRename"}},
        {false, false, {"panelRename"}},
    };
    std::optional<int> first_top;
    for (const Case& c : cases) {
      m_fx->Find<QCheckBox>("chkAddLogo")->setChecked(c.logo);
      m_fx->Find<QCheckBox>("chkAddText")->setChecked(c.text);
      QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
      QList<int> tops;
      for (const QString& name : c.visible_top_down) {
        auto* panel = m_fx->Find<QWidget>(name);
        QVERIFY2(panel->isVisible(), qPrintable(name));
        tops << panel->mapTo(m_fx->form.get(), QPoint()).y();
      }
      // The first visible panel takes the first place; each next one stands 105 lower.
      if (!first_top) first_top = tops[0];
      QCOMPARE(tops[0], *first_top);
      for (qsizetype i = 1; i < tops.size(); ++i) QCOMPARE(tops[i] - tops[i - 1], 105);
      QCOMPARE(m_fx->Find<QWidget>("panelWatermerk")->isVisible(), c.logo);
      QCOMPARE(m_fx->Find<QWidget>("panelTekst")->isVisible(), c.text);
    }
  }

  void filenameExample_data() {
    QTest::addColumn<QString>("prefix");
    QTest::addColumn<QString>("increment");  // empty: the field emptied
    QTest::addColumn<QString>("appendix");
    QTest::addColumn<QString>("extension");
    QTest::addColumn<bool>("include_name");
    QTest::addColumn<QString>("example");
    QTest::newRow("with the name") << "foto_"
                                   << "1"
                                   << ""
                                   << ".jpg" << true << "Voorbeeld: foto_bestandsnaam1.jpg";
    QTest::newRow("all fields") << "vak_"
                                << "7"
                                << "_klein"
                                << ".JPEG" << false << "Voorbeeld: vak_7_klein.JPEG";
    QTest::newRow("negative counter") << ""
                                      << "-2"
                                      << ""
                                      << ".jpeg" << false << "Voorbeeld: -2.jpeg";
    QTest::newRow("empty counter counts as 0") << "a"
                                               << ""
                                               << ""
                                               << ".jpg" << false << "Voorbeeld: a0.jpg";
  }
  void filenameExample() {
    QFETCH(QString, prefix);
    QFETCH(QString, increment);
    QFETCH(QString, appendix);
    QFETCH(QString, extension);
    QFETCH(bool, include_name);
    QFETCH(QString, example);
    m_fx->Find<QRadioButton>("RadioRenameGenerate")->click();
    m_fx->Find<QLineEdit>("editPrefix")->setText(prefix);
    auto* counter = m_fx->Find<QSpinBox>("editIncrement");
    if (increment.isEmpty()) {
      counter->clear();
    } else {
      counter->setValue(increment.toInt());
    }
    m_fx->Find<QLineEdit>("editAppendix")->setText(appendix);
    m_fx->Find<QComboBox>("cmbExtension")->setCurrentText(extension);
    m_fx->Find<QCheckBox>("chkInclBestandsnaam")->setChecked(include_name);
    QCOMPARE(m_fx->Find<QLabel>("lblFilenameExample")->text(), example);
    QCOMPARE(Step2().CollectRunSettings().naming_fields.increment,
             increment.isEmpty() ? 0 : increment.toInt());
  }

  void namingModeShowsThePanelAndKeepsTheExample() {
    auto* panel = m_fx->Find<QWidget>("panelRename");
    auto* example = m_fx->Find<QLabel>("lblFilenameExample");
    m_fx->Find<QRadioButton>("RadioRenameGenerate")->click();
    QVERIFY(!panel->isHidden());
    m_fx->Find<QLineEdit>("editPrefix")->setText("x");
    QCOMPARE(example->text(), QString("Voorbeeld: x1.jpg"));
    for (const char* other : {"RadioRenameUnique", "RadioRenameSame"}) {
      m_fx->Find<QRadioButton>(other)->click();
      QVERIFY(panel->isHidden());
      QCOMPARE(example->text(), QString("Voorbeeld: x1.jpg"));
    }
  }

  void optionsComeFromAndGoBackToTheSettingsRecord() {
    TSettings stored;
    stored.Addlogo = true;
    stored.Addtext = true;
    stored.Logo = "/home/an/logo.png";
    stored.Transparancy = 100;
    stored.Fontsize = 30;
    stored.FontText = "Zomer 2024";
    Step2().LoadFromSettings(stored);
    QVERIFY(!m_fx->Find<QWidget>("panelWatermerk")->isHidden());
    QVERIFY(!m_fx->Find<QWidget>("panelTekst")->isHidden());
    QCOMPARE(m_fx->Find<QLineEdit>("editLogo")->text(), QString("/home/an/logo.png"));
    QCOMPARE(m_fx->Find<QLabel>("lblCounter")->text(), QString("100"));
    QCOMPARE(m_fx->Find<QSpinBox>("editFontsize")->value(), 30);
    QCOMPARE(m_fx->Find<QLineEdit>("editFontText")->text(), QString("Zomer 2024"));

    m_fx->Find<QSlider>("GaugeTransparancy")->setValue(7);
    QCOMPARE(m_fx->Find<QLabel>("lblCounter")->text(), QString("7"));
    m_fx->Find<QCheckBox>("chkAddText")->click();
    QVERIFY(m_fx->Find<QWidget>("panelTekst")->isHidden());
    TSettings record;
    record.Host = "ftp.example.org";
    Step2().StoreToSettings(record);
    TSettings expected = stored;
    expected.Addtext = false;
    expected.Transparancy = 7;
    expected.Host = "ftp.example.org";
    QVERIFY(record == expected);
  }

  void runSettingsReflectTheControls() {
    Step2().Profiles().LoadProfiles();
    m_fx->Find<QLineEdit>("editNormalBreedte")->setText("800");
    m_fx->Find<QLineEdit>("editNormalHoogte")->setText("600");
    m_fx->Find<QSpinBox>("editJPGKwaliteit")->setValue(75);
    Step2().Profiles().ColorChosen(QColor(200, 200, 200));
    m_fx->Find<QRadioButton>("RadioTargetSubmap")->click();
    m_fx->Find<QLineEdit>("editExportMap")->setText("klein");
    m_fx->Find<QRadioButton>("RadioRenameGenerate")->click();
    m_fx->Find<QLineEdit>("editPrefix")->setText("vak_");
    m_fx->Find<QSpinBox>("editIncrement")->setValue(-5);
    m_fx->Find<QLineEdit>("editAppendix")->setText("_k");
    m_fx->Find<QComboBox>("cmbExtension")->setCurrentIndex(3);
    m_fx->Find<QCheckBox>("chkInclBestandsnaam")->setChecked(true);
    m_fx->Find<QCheckBox>("chkAddLogo")->setChecked(true);
    m_fx->Find<QLineEdit>("editLogo")->setText("/home/an/logo.png");
    m_fx->Find<QSlider>("GaugeTransparancy")->setValue(128);
    m_fx->Find<QCheckBox>("chkAddText")->setChecked(true);
    m_fx->Find<QLineEdit>("editFontText")->setText("Zee");
    m_fx->Find<QSpinBox>("editFontsize")->setValue(40);

    const TRunSettings run = Step2().CollectRunSettings();
    QCOMPARE(run.width_text, std::string("800"));
    QCOMPARE(run.height_text, std::string("600"));
    QCOMPARE(run.quality, 75);
    QCOMPARE(run.color_text, std::string("$00C8C8C8"));
    QVERIFY(run.target_mode == TTargetMode::SubFolder);
    QCOMPARE(run.folder_field, std::string("klein"));
    QVERIFY(run.naming == TNamingMode::Generate);
    QCOMPARE(run.naming_fields.prefix, std::string("vak_"));
    QCOMPARE(run.naming_fields.increment, int64_t{-5});
    QCOMPARE(run.naming_fields.appendix, std::string("_k"));
    QCOMPARE(run.naming_fields.extension, std::string(".JPEG"));
    QVERIFY(run.naming_fields.include_name);
    QVERIFY(run.overlay.add_logo);
    QCOMPARE(run.overlay.logo, std::string("/home/an/logo.png"));
    QCOMPARE(run.overlay.opacity, 128);
    QVERIFY(run.overlay.add_text);
    QCOMPARE(run.overlay.text, std::string("Zee"));
    QCOMPARE(run.overlay.font_size, 40);

    const std::pair<const char*, TTargetMode> targets[] = {
        {"RadioTargetSame", TTargetMode::SameFolder},
        {"RadioTargetMap", TTargetMode::TargetFolder}};
    for (const auto& [radio, mode] : targets) {
      m_fx->Find<QRadioButton>(radio)->click();
      QVERIFY(Step2().CollectRunSettings().target_mode == mode);
    }
    m_fx->Find<QRadioButton>("RadioRenameUnique")->click();
    QVERIFY(Step2().CollectRunSettings().naming == TNamingMode::Unique);
    m_fx->Find<QRadioButton>("RadioRenameSame")->click();
    QVERIFY(Step2().CollectRunSettings().naming == TNamingMode::Same);
  }

  void browseButtonSetsFieldAndTargetFolder() {
    QDir home(m_fx->Home());
    QVERIFY(home.mkpath("laatste"));
    QVERIFY(home.mkpath("nieuw"));
    m_fx->form->Settings().Exportmap = home.filePath("laatste/").toStdString();
    QStringList seen;  // title, folder shown first
    bool dirs_only = false;
    WhenModalShows<QFileDialog>([&](QFileDialog* dialog) {
      seen << dialog->windowTitle() << dialog->directory().absolutePath();
      dirs_only = dialog->testOption(QFileDialog::ShowDirsOnly);
      dialog->setDirectory(home.filePath("nieuw"));
      static_cast<QDialog*>(dialog)->accept();
    });
    m_fx->Find<QPushButton>("btnSelectExportmap")->click();
    QCOMPARE(seen, QStringList({"Selecteer doelmap", home.filePath("laatste")}));
    QVERIFY(dirs_only);
    const QString chosen = home.filePath("nieuw/");
    QCOMPARE(m_fx->Find<QLineEdit>("editExportMap")->text(), chosen);
    QCOMPARE(m_fx->form->Settings().Exportmap, chosen.toStdString());

    WhenModalShows<QFileDialog>([](QFileDialog* dialog) { dialog->reject(); });
    m_fx->Find<QPushButton>("btnSelectExportmap")->click();
    QCOMPARE(m_fx->Find<QLineEdit>("editExportMap")->text(), chosen);
  }

 private:
  TStep2Panel& Step2() { return m_fx->form->Step2(); }

  void ShowStep2Tab() {
    auto* tabs = m_fx->Find<QTabWidget>("PageControl1");
    tabs->setTabVisible(1, true);
    tabs->setCurrentIndex(1);
  }

  void WriteSettingsFile(const QByteArray& text) {
    QVERIFY(QDir().mkpath(m_fx->DataFolder()));
    QFile file(m_fx->SettingsFile());
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(text);
  }

  QByteArray ReadSettingsFile() {
    QFile file(m_fx->SettingsFile());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
  }

  void ExpectSizePanel(const QString& width, const QString& height, int quality,
                       const QString& color) {
    QCOMPARE(m_fx->Find<QLineEdit>("editNormalBreedte")->text(), width);
    QCOMPARE(m_fx->Find<QLineEdit>("editNormalHoogte")->text(), height);
    QCOMPARE(m_fx->Find<QSpinBox>("editJPGKwaliteit")->value(), quality);
    QCOMPARE(m_fx->Find<QLineEdit>("editColor")->text(), color);
  }

  // The documents folder of the test's home, "Fotoloom Fotos/fotos_" and a stamp.
  bool IsProposal(const QString& folder) const {
    const QRegularExpression proposal(
        "^" + QRegularExpression::escape(m_fx->Home() + "/Documents/Fotoloom Fotos/fotos_") +
        "\\d{11,14}$");
    return proposal.match(folder).hasMatch();
  }

  std::optional<MainWindowFixture> m_fx;
};

}  // namespace fotoloom

FOTOLOOM_GUI_TEST_MAIN(fotoloom::Step2Test)
#include "Step2Test.moc"
