#pragma once

#include <QWidget>

namespace fotoloom {

// The white band at the top of the main window and of the other windows: the title
// "Fotoloom 3.0" in bold, the program's one-line description and a picture at the right.
class FormHeader : public QWidget {
  Q_OBJECT

 public:
  explicit FormHeader(QWidget* parent);
};

}  // namespace fotoloom
