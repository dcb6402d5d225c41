#include <QColorDialog>
#include <QDateTime>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

#include "core/convert/RunGate.h"
#include "gui/browse/FolderItemsModel.h"
#include "gui/run/TFormProgress.h"

namespace fotoloom {
namespace {

QStringList TextsOf(const QList<QAction*>& actions) {
  QStringList texts;
  for (const QAction* action : actions) {
    if (!action->isSeparator()) texts << action->text().remove('&').section('\t', 0, 0);
  }
  return texts;
}

QStringList ButtonTexts(const QWidget* dialog) {
  QStringList texts;
  for (const QPushButton* button : dialog->findChildren<QPushButton*>())
    texts << button->text().remove('&');
  return texts;
}

QStringList LabelTexts(const QWidget* dialog) {
  QStringList texts;
  for (const QLabel* label : dialog->findChildren<QLabel*>()) texts << label->text().remove('&');
  return texts;
}

}  // namespace

// The window tests start in Dutch as the program does (the same function sets it up), so
// what Qt itself shows is checked here: text fields' menus, dialogs, dates.
class DutchLanguageTest : public QObject {
  Q_OBJECT

 private slots:
  void contextMenuOfATextFieldIsDutch() {
    QLineEdit field(QStringLiteral("tekst"));
    field.selectAll();
    const std::unique_ptr<QMenu> menu(field.createStandardContextMenu());
    const QStringList texts = TextsOf(menu->actions());
    QVERIFY2(texts.contains("Knippen") && texts.contains("Kopiëren") &&
                 texts.contains("Plakken") && texts.contains("Alles selecteren"),
             qPrintable(texts.join(", ")));
    QVERIFY(!texts.contains("Copy"));
  }

  void colourAndFileDialogsAreDutch() {
    QColorDialog colours;
    QVERIFY2(ButtonTexts(&colours).contains("Annuleren"), qPrintable(ButtonTexts(&colours).join(", ")));
    QVERIFY2(!LabelTexts(&colours).contains("Basic colors"),
             qPrintable(LabelTexts(&colours).join(", ")));
    QFileDialog files(nullptr, QStringLiteral("Selecteer doelmap"));
    files.setOption(QFileDialog::DontUseNativeDialog);
    QVERIFY2(ButtonTexts(&files).contains("Annuleren"), qPrintable(ButtonTexts(&files).join(", ")));
    QVERIFY2(!LabelTexts(&files).contains("Look in:"), qPrintable(LabelTexts(&files).join(", ")));
  }

  void detailsViewShowsDatesInDutch() {
    QTemporaryDir folder;
    QFile file(folder.filePath("foto.jpg"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    QVERIFY(file.setFileTime(QDateTime(QDate(2024, 3, 5), QTime(14, 7)),
                             QFileDevice::FileModificationTime));
    file.close();
    TFolderItemsModel items;
    QSignalSpy listed(&items, &TFolderItemsModel::Listed);
    items.SetFolder(folder.path());
    QVERIFY(listed.wait(10000));
    QCOMPARE(items.rowCount(), 1);
    QCOMPARE(items.data(items.index(0, TFolderItemsModel::Date), Qt::DisplayRole).toString(),
             QString("05-03-2024 14:07"));
  }

  void progressWindowStartsWithoutAStatus() {
    TRunGate gate;
    QWidget owner;
    TFormProgress progress(gate, &owner);
    auto* status = progress.findChild<QLabel*>("lblStatus");
    QVERIFY(status);
    QVERIFY2(status->text().isEmpty(), qPrintable(status->text()));
  }
};

}  // namespace fotoloom

QTEST_MAIN(fotoloom::DutchLanguageTest)
#include "DutchLanguageTest.moc"
