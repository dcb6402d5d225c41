#pragma once

#include <QString>

namespace fotoloom {

// The folder proposed for the converted photos: the user's documents folder (the home
// folder when there is none), then "Fotoloom Fotos/fotos_" and the stamp of the moment.
// Nothing is created here; the conversion run creates the folder.
QString DefaultExportFolder();

}  // namespace fotoloom
