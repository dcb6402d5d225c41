#pragma once

#include <Qt>
#include <functional>
#include <string>

class QLabel;

namespace fotoloom {

// Shows the photo in `preview`, stretched to the control's size with `mode`. The file is
// read and decoded off the window's thread by the loader of its extension; a file that is
// missing or cannot be decoded leaves the old picture without a message. A later request
// for the same control replaces one still running. `done`, when given, hears on the
// window's thread whether the picture was replaced; a replaced request does not report.
void LoadPreview(QLabel* preview, const std::string& file, Qt::TransformationMode mode,
                 std::function<void(bool loaded)> done = {});

}  // namespace fotoloom
