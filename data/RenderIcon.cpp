// Build tool: renders the program's SVG icon as a square PNG of the size given, for the
// icon theme's fixed sizes.
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <cstdio>

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fputs("usage: fotoloom_render_icon ICON.svg SIZE OUT.png\n", stderr);
    return 2;
  }
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  QSvgRenderer svg(QString::fromLocal8Bit(argv[1]));
  const int size = QByteArray(argv[2]).toInt();
  if (!svg.isValid() || size <= 0) return 1;
  QImage picture(size, size, QImage::Format_ARGB32_Premultiplied);
  picture.fill(Qt::transparent);
  QPainter painter(&picture);
  svg.render(&painter);
  painter.end();
  return picture.save(QString::fromLocal8Bit(argv[3]), "PNG") ? 0 : 1;
}
