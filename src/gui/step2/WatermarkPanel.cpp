#include "gui/step2/WatermarkPanel.h"

#include <QFileDialog>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>

#include "gui/common/HandlerGuard.h"
#include "gui/common/WidgetHelpers.h"
#include "gui/step2/FieldGrid.h"

namespace fotoloom {
namespace {

// Only the text before the patterns is shown; the patterns come in both letter cases
// because file names on Linux are matched case-sensitively by some dialogs.
const QString kPictureFilter = QStringLiteral(
    "Plaatjes *.PNG;*.JPG;*.JPEG;*.GIF;*.BMP (*.PNG *.JPG *.JPEG *.GIF *.BMP *.png *.jpg *.jpeg "
    "*.gif *.bmp)");

}  // namespace

TWatermarkPanel::TWatermarkPanel(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("panelWatermerk"));
  editLogo = Named(new QLineEdit(this), "editLogo");
  btnSelectLogo = Named(new QPushButton(QStringLiteral("..."), this), "btnSelectLogo");
  btnSelectLogo->setFixedWidth(30);
  GaugeTransparancy = Named(new QSlider(Qt::Horizontal, this), "GaugeTransparancy");
  GaugeTransparancy->setRange(0, 255);
  lblCounter = Named(new QLabel(this), "lblCounter");
  lblCounter->setMinimumWidth(30);
  auto* note =
      new QLabel(QStringLiteral("Let op: transparant logo moet een png bestand zijn!"), this);

  QGridLayout* grid = NewFieldGrid(this);
  grid->addWidget(new QLabel(QStringLiteral("Watermerk/logo"), this), 0, 0);
  grid->addWidget(editLogo, 0, 1);
  grid->addWidget(btnSelectLogo, 0, 2);
  grid->addWidget(new QLabel(QStringLiteral("Doorzichtigheid"), this), 1, 0);
  grid->addWidget(GaugeTransparancy, 1, 1);
  grid->addWidget(lblCounter, 1, 2);
  grid->addWidget(note, 2, 0, 1, 3);
  grid->setRowStretch(3, 1);

  connect(btnSelectLogo, &QPushButton::clicked, this, &TWatermarkPanel::btnSelectLogoClick);
  connect(GaugeTransparancy, &QSlider::valueChanged, this,
          &TWatermarkPanel::GaugeTransparancyChange);
  SetTransparancy(255);
  GaugeTransparancyChange(GaugeTransparancy->value());
}

QString TWatermarkPanel::Logo() const {
  return editLogo->text();
}

void TWatermarkPanel::SetLogo(const QString& file) {
  editLogo->setText(file);
}

int TWatermarkPanel::Transparancy() const {
  return GaugeTransparancy->value();
}

void TWatermarkPanel::SetTransparancy(int opacity) {
  GaugeTransparancy->setValue(opacity);
}

void TWatermarkPanel::btnSelectLogoClick() {
  Guard(this, [this] {
    const QStringList chosen =
        QFileDialog::getOpenFileNames(this, QStringLiteral("Foto's selecteren"), editLogo->text(),
                                      kPictureFilter, nullptr, QFileDialog::HideNameFilterDetails);
    if (!chosen.isEmpty()) editLogo->setText(chosen.first());
  });
}

void TWatermarkPanel::GaugeTransparancyChange(int position) {
  lblCounter->setText(QString::number(position));
}

}  // namespace fotoloom
