#pragma once

#include <QString>

namespace fotoloom {

// The folder proposed for the converted photos: the user's pictures folder, else the
// documents folder, else the home folder (the first of them that exists), then
// "Fotoloom Fotos/fotos_" and the stamp of the moment.
// Nothing is created here; the conversion run creates the folder.
QString DefaultExportFolder();

}  // namespace fotoloom
