#include "gui/window/SideStrip.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "gui/common/Artwork.h"

namespace fotoloom {

SideStrip::SideStrip(const QString& picture_name, QWidget* parent)
    : QWidget(parent), m_picture(new QLabel(this)) {
  setFixedWidth(185);
  setAutoFillBackground(true);
  QPalette black = palette();
  black.setColor(QPalette::Window, Qt::black);
  setPalette(black);

  m_picture->setObjectName(picture_name);
  m_picture->setFixedSize(185, 216);
  m_picture->setPixmap(SideStripPicture());
  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(0, 0, 0, 0);
  column->addWidget(m_picture);
  column->addStretch();
}

QLabel* SideStrip::PlaceBeside(QWidget* page, const QString& picture_name, QLayout* content) {
  auto* strip = new SideStrip(picture_name, page);
  auto* row = new QHBoxLayout(page);
  row->setContentsMargins(0, 0, 0, 0);
  row->setSpacing(0);
  row->addWidget(strip);
  row->addLayout(content, 1);
  return strip->Picture();
}

}  // namespace fotoloom
