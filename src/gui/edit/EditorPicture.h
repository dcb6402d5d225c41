#pragma once

#include <QWidget>
#include <memory>

#include "core/imaging/Bitmap32.h"
#include "core/imaging/EditorOperations.h"

namespace fotoloom {

// The picture of the photo editor (`Image1`). Fitted to the widget with its aspect ratio
// kept, from the top-left corner; or at its own size ("Autosize"), where the left mouse
// button draws a selection in picture pixels. The selection's dotted frame is painted over
// the picture and is never part of it.
class TEditorPicture : public QWidget {
  Q_OBJECT

 public:
  explicit TEditorPicture(QWidget* parent);

  // The picture at full size and its view made for FitArea(). A big picture is scaled down
  // off the window's thread, so the view comes with it.
  void SetPicture(std::shared_ptr<const TBitmap32> picture,
                  std::shared_ptr<const TBitmap32> fitted);
  // A new view alone, shown until the picture it stands for comes.
  void SetFitted(std::shared_ptr<const TBitmap32> fitted);
  void Clear();
  // Null while nothing is shown.
  const TBitmap32* Picture() const { return m_picture.get(); }
  std::shared_ptr<const TBitmap32> SharedPicture() const { return m_picture; }
  // The view shown while the picture is fitted; null while there is none.
  const TBitmap32* Fitted() const { return m_fitted.get(); }
  std::shared_ptr<const TBitmap32> SharedFitted() const { return m_fitted; }

  // The size, in device pixels, that a fitted view should have.
  QSize FitArea() const;

  // At its own size with selection by the mouse (true), or fitted without.
  void SetActualSize(bool actual);
  bool ActualSize() const { return m_actual_size; }

  const TSelection& Selection() const { return m_selection; }
  void ClearSelection();

 signals:
  // The widget changed size: a fitted view for the new FitArea() is wanted.
  void FitAreaChanged();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  bool CanSelect() const { return m_actual_size && m_picture; }

  std::shared_ptr<const TBitmap32> m_picture;
  std::shared_ptr<const TBitmap32> m_fitted;
  bool m_actual_size = false;
  TSelection m_selection;
  bool m_selecting = false;
};

// The view of `picture` that fits `area` with its aspect ratio kept, up or down; empty for an
// empty area. Scales a 24-megapixel photo in a few milliseconds: a fast sampling step to
// twice the size first, then a smooth step.
TBitmap32 FitView(const TBitmap32& picture, QSize area);

}  // namespace fotoloom
