#pragma once

#include <QWidget>

class QLineEdit;
class QSpinBox;

namespace fotoloom {

// The panel `panelTekst` of step 2: the line of text put on the photos and its font size.
class TTextPanel : public QWidget {
  Q_OBJECT

 public:
  explicit TTextPanel(QWidget* parent);

  QString Text() const;
  void SetText(const QString& text);
  int Fontsize() const;
  void SetFontsize(int size);
  QLineEdit* TextField() const { return editFontText; }

 private:
  QLineEdit* editFontText;
  QSpinBox* editFontsize;
};

}  // namespace fotoloom
