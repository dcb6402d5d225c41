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

// The colour behind the text of a field, with black or white text, whichever reads on it.
inline void SetBackground(QLineEdit* field, const QColor& color) {
  QPalette palette = field->palette();
  palette.setColor(QPalette::Base, color);
  palette.setColor(QPalette::Text, qGray(color.rgb()) < 128 ? Qt::white : Qt::black);
  field->setPalette(palette);
}

}  // namespace fotoloom
