#pragma once

#include <QString>

namespace fotoloom::bench {

// Writes one small JPEG as `folder`/IMG_00000.jpg, the photo that LinkPhotos names again.
bool WriteFirstPhoto(const QString& folder);

// Names the first photo again as IMG_<from> .. IMG_<to - 1> (hard links: a large folder in an
// instant). With `paced`, a short pause every 100 photos, as a copy from a camera card makes.
bool LinkPhotos(const QString& folder, int from, int to, bool paced = false);

}  // namespace fotoloom::bench
