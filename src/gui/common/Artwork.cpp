#include "gui/common/Artwork.h"

#include <QGuiApplication>
#include <QPainter>
#include <QSvgRenderer>

// The resources live in a static library, so they are registered by hand.
static void RegisterArtwork() {
  Q_INIT_RESOURCE(fotoloom);
}

namespace fotoloom {
namespace {

QPixmap Render(const QString& name, QSize size) {
  static const bool registered = (RegisterArtwork(), true);
  (void)registered;
  QSvgRenderer renderer(QStringLiteral(":/artwork/%1.svg").arg(name));
  const qreal ratio = qGuiApp->devicePixelRatio();
  QPixmap pixmap(size * ratio);
  pixmap.setDevicePixelRatio(ratio);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  renderer.render(&painter, QRectF(QPointF(0, 0), QSizeF(size)));
  return pixmap;
}

QIcon RenderIcon(const QString& name, std::initializer_list<int> sizes) {
  QIcon icon;
  for (int side : sizes) icon.addPixmap(Render(name, QSize(side, side)));
  return icon;
}

QString GlyphName(Glyph glyph) {
  switch (glyph) {
    case Glyph::Next:
      return QStringLiteral("glyph-next");
    case Glyph::Rotate:
      return QStringLiteral("glyph-rotate");
    case Glyph::Edit:
      return QStringLiteral("glyph-edit");
    case Glyph::OpenFolder:
      return QStringLiteral("glyph-folder");
    case Glyph::Upload:
      return QStringLiteral("glyph-upload");
    case Glyph::Mail:
      return QStringLiteral("glyph-mail");
    case Glyph::Add:
      return QStringLiteral("glyph-add");
    case Glyph::AddAll:
      return QStringLiteral("glyph-add-all");
    case Glyph::Remove:
      return QStringLiteral("glyph-remove");
    case Glyph::RemoveAll:
      return QStringLiteral("glyph-remove-all");
  }
  return {};
}

}  // namespace

QIcon ProgramIcon() {
  return RenderIcon(QStringLiteral("fotoloom"), {16, 24, 32, 48, 64, 128, 256});
}

QPixmap HeaderPicture() {
  return Render(QStringLiteral("header"), QSize(150, 57));
}

QPixmap SideStripPicture() {
  return Render(QStringLiteral("sidestrip"), QSize(185, 216));
}

QIcon GlyphIcon(Glyph glyph) {
  return RenderIcon(GlyphName(glyph), {16, 32});
}

}  // namespace fotoloom
