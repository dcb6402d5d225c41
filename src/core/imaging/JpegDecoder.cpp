#include <vector>

#include "core/imaging/Decoders.h"
#include "core/imaging/JpegReader.h"
#include "core/imaging/Orientation.h"

namespace fotoloom {

void DecodeJpeg(TStream& stream, TBitmap32& bitmap) {
  TJpegReader reader(stream, 4);
  TBitmap32 stored(reader.Width(), reader.Height());
  std::vector<uint8_t*> rows(stored.Height());
  for (int y = 0; y < stored.Height(); ++y) rows[y] = reinterpret_cast<uint8_t*>(stored.Row(y));
  int done = 0;
  while (done < stored.Height()) {
    const int got = reader.ReadRows(rows.data() + done, stored.Height() - done);
    if (got == 0) break;
    done += got;
  }
  bitmap = reader.Orientation() == 1 ? std::move(stored) : Upright(stored, reader.Orientation());
}

}  // namespace fotoloom
