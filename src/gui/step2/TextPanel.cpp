#include "gui/step2/TextPanel.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>

#include "gui/common/WidgetHelpers.h"
#include "gui/step2/FieldGrid.h"

namespace fotoloom {

TTextPanel::TTextPanel(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("panelTekst"));
  editFontText = Named(new QLineEdit(this), "editFontText");
  editFontsize = Named(new QSpinBox(this), "editFontsize");
  editFontsize->setRange(0, 100);
  editFontsize->setValue(22);

  QGridLayout* grid = NewFieldGrid(this);
  grid->addWidget(new QLabel(QStringLiteral("Tekst"), this), 0, 0);
  grid->addWidget(editFontText, 0, 1);
  grid->addWidget(new QLabel(QStringLiteral("Lettergrootte"), this), 1, 0);
  grid->addWidget(editFontsize, 1, 1, Qt::AlignLeft);
  grid->setRowStretch(2, 1);
}

QString TTextPanel::Text() const {
  return editFontText->text();
}

void TTextPanel::SetText(const QString& text) {
  editFontText->setText(text);
}

int TTextPanel::Fontsize() const {
  return editFontsize->value();
}

void TTextPanel::SetFontsize(int size) {
  editFontsize->setValue(size);
}

}  // namespace fotoloom
