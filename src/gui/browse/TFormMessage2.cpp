#include "gui/browse/TFormMessage2.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "gui/common/WindowPlacement.h"

namespace fotoloom {
namespace {

// Results of the two buttons; reject() (Escape) gives QDialog::Rejected.
constexpr int kAddResult = 100;
constexpr int kStopResult = 101;

}  // namespace

TFormMessage2::TFormMessage2(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
  setObjectName(QStringLiteral("FormMessage2"));
  setWindowTitle(QStringLiteral("Alle foto's kopieeren"));

  auto* question =
      new QLabel(QStringLiteral("Wilt u alle foto's toevoegen van de geselecteerde mappen?"), this);
  question->setObjectName(QStringLiteral("lblQuestion"));
  QFont bold = question->font();
  bold.setBold(true);
  question->setFont(bold);
  chkSubDirs = new QCheckBox(QStringLiteral("Foto's in submappen ook toevoegen."), this);
  chkSubDirs->setObjectName(QStringLiteral("chkSubDirs"));
  chkSubDirs->setChecked(true);
  auto* ok = new QPushButton(QStringLiteral("OK"), this);
  ok->setObjectName(QStringLiteral("btnOK"));
  ok->setDefault(true);
  auto* cancel = new QPushButton(QStringLiteral("Annuleren"), this);
  cancel->setObjectName(QStringLiteral("btnAnnuleren"));
  connect(ok, &QPushButton::clicked, this, [this] { done(kAddResult); });
  connect(cancel, &QPushButton::clicked, this, [this] { done(kStopResult); });

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(ok);
  buttons->addWidget(cancel);
  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(16, 16, 16, 12);
  column->setSpacing(10);
  column->addWidget(question);
  column->addWidget(chkSubDirs);
  column->addLayout(buttons);
  column->setSizeConstraint(QLayout::SetFixedSize);
  adjustSize();
  CentreOnScreen(this);
}

TFolderAnswer TFormMessage2::Ask(QWidget* parent) {
  TFormMessage2 window(parent);
  const int result = window.exec();
  TFolderAnswer answer;
  answer.include_subfolders = window.chkSubDirs->isChecked();
  answer.choice = result == kAddResult    ? TFolderAnswer::Add
                  : result == kStopResult ? TFolderAnswer::Stop
                                          : TFolderAnswer::Skip;
  return answer;
}

}  // namespace fotoloom
