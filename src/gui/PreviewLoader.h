#pragma once

#include <Qt>
#include <string>

class QLabel;

namespace fotoloom {

// Shows the photo in `preview`, stretched to the control's size with `mode`. The file is
// read and decoded off the window's thread by the loader of its extension; a file that is
// missing or cannot be decoded leaves the old picture without a message. A later request
// for the same control replaces one still running.
void LoadPreview(QLabel* preview, const std::string& file, Qt::TransformationMode mode);

}  // namespace fotoloom
