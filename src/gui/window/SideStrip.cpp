#include "gui/window/SideStrip.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLayout>
#include <QResizeEvent>
#include <QVBoxLayout>

#include "gui/common/Artwork.h"

namespace fotoloom {
namespace {

constexpr int kWidth = 185;
constexpr int kNarrowWidth = 130;
// Pages narrower than this (the window's smallest sizes) get the narrow strip.
constexpr int kNarrowPage = 760;

}  // namespace

SideStrip::SideStrip(const QString& picture_name, QWidget* parent)
    : QWidget(parent), m_picture(new QLabel(this)) {
  setAutoFillBackground(true);
  QPalette black = palette();
  black.setColor(QPalette::Window, Qt::black);
  setPalette(black);

  m_picture->setObjectName(picture_name);
  m_picture->setScaledContents(true);
  m_picture->setPixmap(SideStripPicture());
  SetWidth(kWidth);
  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(0, 0, 0, 0);
  column->addWidget(m_picture);
  column->addStretch();
}

QLabel* SideStrip::PlaceBeside(QWidget* page, const QString& picture_name, QLayout* content) {
  auto* strip = new SideStrip(picture_name, page);
  page->installEventFilter(strip);
  auto* row = new QHBoxLayout(page);
  row->setContentsMargins(0, 0, 0, 0);
  row->setSpacing(0);
  row->addWidget(strip);
  row->addLayout(content, 1);
  return strip->Picture();
}

}  // namespace fotoloom

namespace fotoloom {

void SideStrip::SetWidth(int width) {
  setFixedWidth(width);
  m_picture->setFixedSize(width, width * 216 / kWidth);
}

bool SideStrip::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::Resize) {
    const int page_width = static_cast<QResizeEvent*>(event)->size().width();
    const int width = page_width < kNarrowPage ? kNarrowWidth : kWidth;
    if (width != this->width()) {
      SetWidth(width);
      // At once, not at the next layout pass: nothing beside the strip may move later.
      if (QLayout* row = static_cast<QWidget*>(watched)->layout()) row->activate();
    }
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace fotoloom
