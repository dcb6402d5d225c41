#pragma once

#include <QWidget>

class QLabel;
class QLayout;

namespace fotoloom {

// The black strip, 185 pixels wide, at the left of the main window's pages, with the
// program's picture at its top. In a narrow window it gives up some of its width, so that
// the page beside it keeps room for its controls.
class SideStrip : public QWidget {
  Q_OBJECT

 public:
  // `picture_name` names the picture control, which differs per page.
  SideStrip(const QString& picture_name, QWidget* parent);

  QLabel* Picture() const { return m_picture; }

  // Lays out `page` as a strip with `content` beside it; returns the strip's picture.
  static QLabel* PlaceBeside(QWidget* page, const QString& picture_name, QLayout* content);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void SetWidth(int width);

  QLabel* m_picture;
};

}  // namespace fotoloom
