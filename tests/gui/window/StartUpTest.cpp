// The main window as the program starts it, closes it, and converts through it.
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>
#include <QTreeView>
#include <optional>

#include "core/imaging/codecs/JpegWriter.h"
#include "gui/support/GuiTestMain.h"
#include "gui/support/MainWindowFixture.h"
#include "gui/support/PhotoListView.h"
#include "gui/support/ScriptedMessages.h"
#include "gui/window/TFormMain.h"

namespace fotoloom {

using test::MainWindowFixture;
using test::ScriptedMessages;

class StartUpTest : public QObject {
  Q_OBJECT

 private slots:
  void init() { m_fx.emplace(); }
  void cleanup() { m_fx.reset(); }

  void aFirstStartShowsTheDefaults() {
    QVERIFY(m_fx->ShowActive());
    TFormMain& form = *m_fx->form;
    QCOMPARE(form.windowTitle(), QString("Fotoloom"));
    QCOMPARE(m_fx->Find<QComboBox>("cmbProfiel")->currentText(), QString("Standaard foto's"));
    QCOMPARE(m_fx->Find<QLineEdit>("editNormalBreedte")->text(), QString("650"));
    QCOMPARE(m_fx->Find<QLineEdit>("editNormalHoogte")->text(), QString("0"));
    QCOMPARE(m_fx->Find<QSpinBox>("editJPGKwaliteit")->value(), 90);
    QCOMPARE(m_fx->Find<QLineEdit>("editColor")->text(), QString("clWhite"));
    QCOMPARE(m_fx->Find<QLineEdit>("editLogo")->text(), QString());
    QCOMPARE(m_fx->Find<QSlider>("GaugeTransparancy")->value(), 255);
    QCOMPARE(m_fx->Find<QSpinBox>("editFontsize")->value(), 22);
    QVERIFY(!m_fx->Find<QCheckBox>("chkAddLogo")->isChecked());
    QVERIFY(!m_fx->Find<QCheckBox>("chkAddText")->isChecked());
    QVERIFY(m_fx->Find<QLineEdit>("editExportMap")
                ->text()
                .startsWith(m_fx->Home() + "/Documents/Fotoloom Fotos/fotos_"));
    auto* tabs = m_fx->Find<QTabWidget>("PageControl1");
    QCOMPARE(tabs->currentIndex(), 0);
    QVERIFY(!tabs->isTabVisible(1));
    QVERIFY(!m_fx->Find<QToolButton>("SpeedButton8")->isEnabled());
    QVERIFY(!m_fx->Find<QPushButton>("btnMailen")->isEnabled());
  }

  // With a pictures folder in the home, the proposal goes there instead of the documents.
  void theExportFolderGoesToThePicturesFolderWhenThereIsOne() {
    QVERIFY(QDir(m_fx->Home()).mkpath("Pictures"));
    TFormMain form(m_fx->DataFolder(), {});
    form.show();
    QVERIFY(form.findChild<QLineEdit*>("editExportMap")
                ->text()
                .startsWith(m_fx->Home() + "/Pictures/Fotoloom Fotos/fotos_"));
  }

  void theCustomModeSwitch_data() {
    QTest::addColumn<QString>("argument");
    QTest::addColumn<QString>("caption");
    QTest::newRow("slash") << "/CUSTOM=KESTROVA"
                           << "Fotoloom | Kestrova Custommode";
    QTest::newRow("dash") << "-Custom=Kestrova"
                          << "Fotoloom | Kestrova Custommode";
    QTest::newRow("bare") << "custom=kestrova"
                          << "Fotoloom";
  }
  void theCustomModeSwitch() {
    QFETCH(QString, argument);
    QFETCH(QString, caption);
    TFormMain form(m_fx->DataFolder(), {argument});
    form.show();
    QCOMPARE(form.windowTitle(), caption);
    QCOMPARE(form.CustomMode().isEmpty(), caption == "Fotoloom");
  }

  void closingWritesTheSettingsFile() {
    QVERIFY(m_fx->ShowActive());
    QVERIFY(!QFile::exists(m_fx->SettingsFile()));
    m_fx->form->close();
    QFile file(m_fx->SettingsFile());
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(file.readAll().contains("[Settings]"));
  }

  void theSettingsSurviveARestart() {
    QVERIFY(m_fx->ShowActive());
    m_fx->form->Settings().Addtext = true;
    m_fx->form->Settings().FontText = "Zomer 2026";
    m_fx->form->Settings().Fontsize = 30;
    m_fx->form->close();
    TFormMain again(m_fx->DataFolder(), {});
    again.show();
    QVERIFY(again.findChild<QCheckBox*>("chkAddText")->isChecked());
    QCOMPARE(again.findChild<QLineEdit*>("editFontText")->text(), QString("Zomer 2026"));
    QCOMPARE(again.findChild<QSpinBox*>("editFontsize")->value(), 30);
  }

  void aBatchConvertsThroughTheWizard() {
    QVERIFY(m_fx->ShowActive());
    const QString photos = m_fx->Home() + "/photos/";
    QDir().mkpath(photos);
    TBitmap32 picture(120, 90);
    picture.Fill(MakePixel(30, 120, 200));
    const std::vector<uint8_t> jpeg = EncodeJpeg(picture, 90);
    for (const QString name : {"a.jpg", "b.jpg", "c.jpg"}) {
      QFile file(photos + name);
      QVERIFY(file.open(QIODevice::WriteOnly));
      file.write(reinterpret_cast<const char*>(jpeg.data()), static_cast<qint64>(jpeg.size()));
      m_fx->AddPhoto(photos, name);
    }
    auto* next = m_fx->Find<QPushButton>("btnNext");
    next->click();  // to step 2
    const QString target = m_fx->Home() + "/out";
    m_fx->Find<QLineEdit>("editExportMap")->setText(target);
    ScriptedMessages messages({MessageAnswer::Yes});  // the confirmation
    next->click();
    auto* results = m_fx->Find<QTreeView>("ListView3");
    QTRY_COMPARE_WITH_TIMEOUT(test::RowCount(results), 3, 20000);
    QTRY_VERIFY_WITH_TIMEOUT(m_fx->Find<QToolButton>("SpeedButton8")->isEnabled(), 20000);
    for (int i = 0; i < 3; ++i) QCOMPARE(test::CheckState(results, i), Qt::Checked);
    QCOMPARE(test::CurrentRow(results), 0);
    QCOMPARE(next->text(), QString("Opnieuw beginnen"));
    QVERIFY(QFile::exists(target + "/b.jpg"));
    QCOMPARE(messages.asked.size(), 1);
  }

 private:
  std::optional<MainWindowFixture> m_fx;
};

}  // namespace fotoloom

FOTOLOOM_GUI_TEST_MAIN(fotoloom::StartUpTest)
#include "StartUpTest.moc"
