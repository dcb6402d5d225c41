#include "gui/publish/TFormExport.h"

#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/publish/ExportList.h"
#include "gui/common/FormHeader.h"
#include "gui/common/HandlerGuard.h"
#include "gui/common/PhotoListModel.h"
#include "gui/common/WidgetHelpers.h"
#include "gui/common/WindowPlacement.h"

namespace fotoloom {

TFormExport::TFormExport(const TPhotoListModel& results, QWidget* owner)
    : QDialog(owner), m_results(results) {
  setObjectName(QStringLiteral("FormExport"));
  setWindowTitle(QStringLiteral("Exporteren"));

  auto* explanation = new QLabel(
      QStringLiteral("Hieronder kun je eenvoudig een lijst realiseren van alle foto's om bijv. "
                     "op je website te plaatsen."),
      this);
  explanation->setWordWrap(true);

  comboSoort = Named(new QComboBox(this), "comboSoort");
  for (const TExportKindInfo& kind : kExportKinds)
    comboSoort->addItem(QString::fromUtf8(kind.caption));
  comboSoort->setCurrentIndex(0);
  editScript = Named(new QLineEdit(QString::fromUtf8(kExportKinds[0].script), this), "editScript");
  Button1 = Named(new QPushButton(QStringLiteral("OK"), this), "Button1");
  Button1->setAutoDefault(false);
  memoExport = Named(new QPlainTextEdit(this), "memoExport");
  memoExport->setReadOnly(true);
  memoExport->setLineWrapMode(QPlainTextEdit::NoWrap);
  memoExport->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  Button2 = Named(new QPushButton(QStringLiteral("Alles kopieeren"), this), "Button2");
  Button2->setAutoDefault(false);
  btnClose = Named(new QPushButton(QStringLiteral("Sluiten"), this), "btnClose");
  btnClose->setAutoDefault(false);

  // Only a choice of the user puts a template in the field, also the kind already shown.
  connect(comboSoort, &QComboBox::activated, this, &TFormExport::comboSoortClick);
  connect(Button1, &QPushButton::clicked, this, &TFormExport::BuildListClick);
  connect(Button2, &QPushButton::clicked, this, &TFormExport::CopyAllClick);
  connect(btnClose, &QPushButton::clicked, this, &QDialog::accept);

  auto* kind_row = new QHBoxLayout;
  kind_row->addWidget(comboSoort);
  kind_row->addWidget(editScript, 1);
  kind_row->addWidget(Button1);
  auto* bottom = new QHBoxLayout;
  bottom->addWidget(Button2);
  bottom->addStretch();
  bottom->addWidget(btnClose);
  auto* body = new QVBoxLayout;
  body->setContentsMargins(12, 10, 12, 10);
  body->addWidget(explanation);
  body->addLayout(kind_row);
  body->addWidget(memoExport, 1);
  body->addLayout(bottom);
  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);
  column->addWidget(new FormHeader(this));
  column->addLayout(body, 1);

  resize(640, 544);
  CentreOnScreen(this);
}

void TFormExport::comboSoortClick(int index) {
  Guard(this, [&] {
    editScript->setText(QString::fromUtf8(kExportKinds.at(static_cast<size_t>(index)).script));
    // A long template shows from its start.
    editScript->setCursorPosition(0);
  });
}

void TFormExport::BuildListClick() {
  Guard(this, [&] {
    const auto kind = static_cast<TExportKind>(comboSoort->currentIndex());
    const std::vector<std::string> lines =
        BuildExportLines(m_results.Entries(), kind, editScript->text().toStdString());
    QStringList text;
    text.reserve(static_cast<qsizetype>(lines.size()));
    for (const std::string& line : lines) text.append(QString::fromStdString(line));
    // Built afresh each time: a second press gives the same list, not a doubled one.
    memoExport->setPlainText(text.join(QLatin1Char('\n')));
  });
}

void TFormExport::CopyAllClick() {
  Guard(this, [&] {
    memoExport->selectAll();
    QGuiApplication::clipboard()->setText(memoExport->toPlainText());
  });
}

}  // namespace fotoloom
