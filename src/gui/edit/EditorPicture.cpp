#include "gui/edit/EditorPicture.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <cstring>

namespace fotoloom {
namespace {

// The picture's buffer as a QImage without a copy; valid while the picture lives.
QImage Wrap(const TBitmap32& picture) {
  return QImage(reinterpret_cast<const uchar*>(picture.Bits()), picture.Width(), picture.Height(),
                picture.Width() * 4, QImage::Format_RGB32);
}

QSizeF FittedSize(QSizeF picture, QSizeF area) {
  if (picture.isEmpty() || area.isEmpty()) return {};
  const double scale = std::min(area.width() / picture.width(), area.height() / picture.height());
  return {std::max(1.0, std::round(picture.width() * scale)),
          std::max(1.0, std::round(picture.height() * scale))};
}

}  // namespace

TBitmap32 FitView(const TBitmap32& picture, QSize area) {
  const QSize target = FittedSize(QSizeF(picture.Width(), picture.Height()), area).toSize();
  if (target.isEmpty()) return {};
  if (target == QSize(picture.Width(), picture.Height())) return picture;
  const QImage wrapped = Wrap(picture);
  const QImage scaled =
      wrapped.width() > 2 * target.width() && wrapped.height() > 2 * target.height()
          ? wrapped.scaled(target * 2, Qt::IgnoreAspectRatio, Qt::FastTransformation)
                .scaled(target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
          : wrapped.scaled(target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
  TBitmap32 view(scaled.width(), scaled.height());
  for (int y = 0; y < view.Height(); ++y)
    std::memcpy(view.Row(y), scaled.constScanLine(y), sizeof(TPixel32) * view.Width());
  return view;
}

TEditorPicture::TEditorPicture(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("Image1"));
  // Opaque and without erasing first: a slider drag repaints often and must not flicker.
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMinimumSize(100, 100);
}

void TEditorPicture::SetPicture(std::shared_ptr<const TBitmap32> picture,
                                std::shared_ptr<const TBitmap32> fitted) {
  m_picture = std::move(picture);
  m_fitted = std::move(fitted);
  update();
}

void TEditorPicture::SetFitted(std::shared_ptr<const TBitmap32> fitted) {
  m_fitted = std::move(fitted);
  update();
}

void TEditorPicture::Clear() {
  m_picture.reset();
  m_fitted.reset();
  update();
}

QSize TEditorPicture::FitArea() const {
  return (QSizeF(size()) * devicePixelRatioF()).toSize();
}

void TEditorPicture::SetActualSize(bool actual) {
  m_actual_size = actual;
  m_selecting = false;
  update();
}

void TEditorPicture::ClearSelection() {
  m_selection = {};
  m_selecting = false;
  update();
}

void TEditorPicture::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), palette().window());
  if (!m_picture) return;
  if (!m_actual_size) {
    // The view may still be of the size before a resize until the new one comes.
    if (!m_fitted || m_fitted->Empty()) return;
    const QSizeF shown = FittedSize(QSizeF(m_fitted->Width(), m_fitted->Height()), size());
    painter.drawImage(QRectF(QPointF(0, 0), shown), Wrap(*m_fitted));
    return;
  }
  // Only the part that fits is drawn; the rest of a big photo is never touched.
  const QRect visible = QRect(0, 0, m_picture->Width(), m_picture->Height()).intersected(rect());
  painter.drawImage(visible.topLeft(), Wrap(*m_picture), visible);
  const TSelection& s = m_selection;
  if (s.X1 == 0 && s.Y1 == 0 && s.X2 == 0 && s.Y2 == 0) return;
  // A dotted frame that inverts what lies under it, so it shows on any colour.
  painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
  painter.setPen(QPen(Qt::white, 1, Qt::DotLine));
  painter.drawRect(QRect(QPoint(std::min(s.X1, s.X2), std::min(s.Y1, s.Y2)),
                         QPoint(std::max(s.X1, s.X2), std::max(s.Y1, s.Y2))));
}

void TEditorPicture::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  emit FitAreaChanged();
}

void TEditorPicture::mousePressEvent(QMouseEvent* event) {
  if (!CanSelect() || event->button() != Qt::LeftButton) return;
  const QPoint at = event->position().toPoint();
  m_selection = {at.x(), at.y(), at.x(), at.y()};
  m_selecting = true;
  update();
}

void TEditorPicture::mouseMoveEvent(QMouseEvent* event) {
  if (!m_selecting) return;
  const QPoint at = event->position().toPoint();
  m_selection.X2 = at.x();
  m_selection.Y2 = at.y();
  update();
}

void TEditorPicture::mouseReleaseEvent(QMouseEvent* event) {
  if (!m_selecting || event->button() != Qt::LeftButton) return;
  m_selecting = false;
}

}  // namespace fotoloom
