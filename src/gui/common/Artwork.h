#pragma once

#include <QIcon>
#include <QPixmap>

namespace fotoloom {

enum class Glyph { Next, Rotate, Edit, OpenFolder, Upload, Mail, Add, AddAll, Remove, RemoveAll };

QIcon ProgramIcon();
// The picture at the right of a window header, 57 pixels high.
QPixmap HeaderPicture();
// The picture at the top of the black side strip, 185 x 216.
QPixmap SideStripPicture();
// A 16 x 16 button glyph.
QIcon GlyphIcon(Glyph glyph);

}  // namespace fotoloom
