#pragma once

#include <QImage>
#include <QSize>
#include <Qt>
#include <functional>
#include <memory>
#include <string>

#include "core/imaging/Bitmap32.h"

class QLabel;

namespace fotoloom {

// Shows the photo in `preview`, stretched to the control's size with `mode`. The file is
// read and decoded off the window's thread by the loader of its extension; a file that is
// missing or cannot be decoded leaves the old picture without a message. A later request
// for the same control replaces one still running. `done`, when given, hears on the
// window's thread whether the picture was replaced; a replaced request does not report.
// With `keep_picture` the preview keeps the full-size picture it decoded (see KeptPicture).
void LoadPreview(QLabel* preview, const std::string& file, Qt::TransformationMode mode,
                 std::function<void(bool loaded)> done = {}, bool keep_picture = false);

// Drops the preview's loads still running: they will not change its picture.
void CancelPreviewLoads(QLabel* preview);

// A picture stretched to `size` for a preview, a copy that owns its pixels. Safe off the
// window's thread.
QImage StretchedImage(const TBitmap32& picture, QSize size, Qt::TransformationMode mode);

// The full-size picture that a preview shows, with the state of its file when the picture
// was read or written: the picture stands for the file only while the file is unchanged.
struct TKeptPicture {
  std::string file;
  std::shared_ptr<const TBitmap32> picture;
  // The file's state: every rewrite through a temporary file gives it a new inode, so a
  // rewrite within one tick of the file clock is seen too.
  int64_t modified_ns = 0;
  int64_t size = -1;
  uint64_t device = 0;
  uint64_t inode = 0;

  // True when there is a picture and its file is still as it was. Safe off the window's
  // thread.
  bool FileUnchanged() const;
};

// `picture` as the picture of `file` in the file's present state. Safe off the window's
// thread.
TKeptPicture KeepPicture(std::string file, std::shared_ptr<const TBitmap32> picture);

// The picture the preview shows, as LoadPreview with `keep_picture` or ShowKeptPicture left
// it; no picture after any other picture replaced it.
TKeptPicture KeptPicture(QLabel* preview);
// Cancels the preview's loads still running, shows `stretched` and keeps `kept` with it.
void ShowKeptPicture(QLabel* preview, const QImage& stretched, TKeptPicture kept);

}  // namespace fotoloom
