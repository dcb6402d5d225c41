#include "core/imaging/ConvertImage.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "core/base/Error.h"
#include "core/imaging/ColorProfile.h"
#include "core/imaging/FileConversion.h"
#include "core/imaging/codecs/ImageInfo.h"
#include "core/imaging/codecs/JpegReader.h"
#include "core/imaging/codecs/JpegWriter.h"
#include "core/imaging/LoadPicture.h"
#include "core/imaging/ResampleRows.h"
#include "core/imaging/resample/Orientation.h"
#include "core/imaging/resample/Resampler.h"
#include "core/imaging/resample/ResizePlan.h"

namespace fotoloom {
namespace {

// JPEG rows are resampled as the decoder delivers them, so the full-size photo is never
// held in memory, and decoding stops after the last row that reaches the canvas.
void FeedJpeg(TJpegReader& reader, TResampler& resampler) {
  constexpr int kBatch = 16;
  const size_t row_bytes = static_cast<size_t>(reader.Width()) * 4;
  std::vector<uint8_t> buffer(row_bytes * kBatch);
  uint8_t* rows[kBatch];
  for (int i = 0; i < kBatch; ++i) rows[i] = buffer.data() + row_bytes * i;
  while (!resampler.Finished()) {
    const int first = reader.NextRow();
    const int got = reader.ReadRows(rows, kBatch);
    if (got == 0) break;
    resampler.PushRows(first, rows, got);
  }
}

}  // namespace

bool RenderCanvas(TStream& Source, int BoxWidth, int BoxHeight, TColor BackgroundColor,
                  TBitmap32& canvas) {
  const TImageInfo info = GetImageInfo(Source);
  if (info.ImageType == itNone) return false;

  std::unique_ptr<TJpegReader> jpeg;
  std::unique_ptr<TPictureRows> rows;
  TBitmap32 picture;
  std::vector<uint8_t> icc_profile;
  int stored_width, stored_height, orientation = 1;
  if (info.ImageType == itJPEG) {
    jpeg = std::make_unique<TJpegReader>(Source, 4);
    stored_width = jpeg->Width();
    stored_height = jpeg->Height();
    orientation = jpeg->Orientation();
    icc_profile = jpeg->IccProfile();
  } else if ((rows = OpenPictureRows(Source, info.ImageType))) {
    stored_width = rows->Width();
    stored_height = rows->Height();
    icc_profile = rows->IccProfile();
  } else {
    DecodePicture(Source, info.ImageType, picture, icc_profile);
    stored_width = picture.Width();
    stored_height = picture.Height();
  }
  if (stored_width <= 0 || stored_height <= 0) throw Error("The picture is empty");
  const bool swap = OrientationSwapsAxes(orientation);
  const int width = swap ? stored_height : stored_width;
  const int height = swap ? stored_width : stored_height;

  const TResizePlan plan = PlanResize(width, height, BoxWidth, BoxHeight);
  TBitmap32 result(plan.canvas_width, plan.canvas_height);
  result.Fill(ColorToPixel(BackgroundColor));
  // The part of the scaled photo that lands on the canvas, in scaled coordinates.
  const TRect window{std::max<int64_t>(0, -plan.offset_x), std::max<int64_t>(0, -plan.offset_y),
                     std::min<int64_t>(plan.scaled_width, plan.canvas_width - plan.offset_x),
                     std::min<int64_t>(plan.scaled_height, plan.canvas_height - plan.offset_y)};
  if (window.Width() > 0 && window.Height() > 0) {
    // Resample in the stored orientation and turn only the small result upright.
    const TRect stored_window =
        UprightRectToStored(window, orientation, plan.scaled_width, plan.scaled_height);
    TResampler resampler(stored_width, stored_height, swap ? plan.scaled_height : plan.scaled_width,
                         swap ? plan.scaled_width : plan.scaled_height, stored_window);
    // A large picture takes a while to decode and resample: a stop need not wait for the end.
    const auto poll = [&Source] { Source.ThrowIfCancelled(); };
    if (jpeg) {
      FeedJpeg(*jpeg, resampler);
    } else if (rows) {
      FeedResampler(*rows, resampler, poll);
    } else {
      resampler.PushPicture(picture, poll);
    }
    // Only the small result goes to sRGB, not the photo: within a step of converting first.
    ConvertToSrgb(resampler.Result(), icc_profile);
    DrawUpright(resampler.Result(), orientation, result,
                static_cast<int>(plan.offset_x + window.x0),
                static_cast<int>(plan.offset_y + window.y0));
  }
  canvas = std::move(result);
  return true;
}

void ConvertImageStream(TStream& Source, TStream& Dest, int BoxWidth, int BoxHeight,
                        TColor BackgroundColor, int Quality) {
  TBitmap32 canvas;
  if (!RenderCanvas(Source, BoxWidth, BoxHeight, BackgroundColor, canvas)) return;
  if (canvas.Empty()) return;
  const std::vector<uint8_t> jpeg = EncodeJpeg(canvas, Quality);
  Dest.Write(jpeg.data(), jpeg.size());
}

void ConvertImageFile(const std::string& SourceFile, const std::string& DestFile, int BoxWidth,
                      int BoxHeight, TColor BackgroundColor, int Quality,
                      const std::atomic<bool>* cancelled) {
  ConvertBetweenFiles(
      SourceFile, DestFile,
      [&](TStream& source, TStream& dest) {
        ConvertImageStream(source, dest, BoxWidth, BoxHeight, BackgroundColor, Quality);
      },
      cancelled);
}

}  // namespace fotoloom
