#pragma once

#include <QWidget>

class QLabel;
class QLineEdit;
class QPushButton;
class QSlider;

namespace fotoloom {

// The panel `panelWatermerk` of step 2: the logo file and its opacity.
class TWatermarkPanel : public QWidget {
  Q_OBJECT

 public:
  explicit TWatermarkPanel(QWidget* parent);

  QString Logo() const;
  void SetLogo(const QString& file);
  int Transparancy() const;
  void SetTransparancy(int opacity);
  QLineEdit* LogoField() const { return editLogo; }

 private:
  void btnSelectLogoClick();
  void GaugeTransparancyChange(int position);

  QLineEdit* editLogo;
  QPushButton* btnSelectLogo;
  QSlider* GaugeTransparancy;
  QLabel* lblCounter;
};

}  // namespace fotoloom
