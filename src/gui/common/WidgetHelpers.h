#pragma once

#include <QLineEdit>
#include <QPalette>
#include <QString>

namespace fotoloom {

// Gives a control the name it is known by; tests and the window code find it by that name.
template <typename Widget>
Widget* Named(Widget* widget, const char* name) {
  widget->setObjectName(QString::fromLatin1(name));
  return widget;
}

// The colour behind the text of a field.
inline void SetBackground(QLineEdit* field, const QColor& color) {
  QPalette palette = field->palette();
  palette.setColor(QPalette::Base, color);
  field->setPalette(palette);
}

}  // namespace fotoloom
