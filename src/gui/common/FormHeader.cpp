#include "gui/common/FormHeader.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "gui/common/Artwork.h"

namespace fotoloom {

FormHeader::FormHeader(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("panelHeader"));
  setFixedHeight(57);
  setAutoFillBackground(true);
  QPalette white = palette();
  white.setColor(QPalette::Window, Qt::white);
  white.setColor(QPalette::WindowText, Qt::black);
  setPalette(white);

  auto* title = new QLabel(QStringLiteral("Fotoloom 3.0"), this);
  title->setObjectName(QStringLiteral("lblTitle"));
  QFont bold = title->font();
  bold.setBold(true);
  title->setFont(bold);
  auto* description =
      new QLabel(QStringLiteral("Eenvoudig al uw foto's verkleinen, bewerken en mailen..."), this);
  description->setObjectName(QStringLiteral("lblDescription"));
  auto* picture = new QLabel(this);
  picture->setObjectName(QStringLiteral("imgHeader"));
  picture->setPixmap(HeaderPicture());

  auto* texts = new QVBoxLayout;
  texts->setSpacing(2);
  texts->addStretch();
  texts->addWidget(title);
  texts->addWidget(description);
  texts->addStretch();
  auto* row = new QHBoxLayout(this);
  row->setContentsMargins(12, 0, 8, 0);
  row->addLayout(texts);
  row->addStretch();
  row->addWidget(picture);
}

}  // namespace fotoloom
