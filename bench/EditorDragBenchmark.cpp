// Dragging the contrast slider of the photo editor across its whole range on a 24-megapixel
// photo (6000 x 4000) with mouse events at 125 per second: the longest time the UI thread went
// without turning its event loop (a 1 ms timer measures the gaps), how many views and how
// many full-size pictures were shown during the drag, and how long after the release the
// full-size picture of the last position was there.
// Offscreen platform.
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QMouseEvent>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>

#include "core/imaging/codecs/JpegWriter.h"
#include "core/settings/IniFile.h"
#include "gui/edit/EditorPicture.h"
#include "gui/edit/TFormImage.h"

namespace {

constexpr int kWidth = 6000;
constexpr int kHeight = 4000;
constexpr int kMoves = 250;
constexpr int kMoveMs = 8;

// A photo with detail in it, so that it decodes at the cost of a real one.
bool WritePhoto(const QString& path) {
  fotoloom::TBitmap32 picture(kWidth, kHeight);
  for (int y = 0; y < kHeight; ++y) {
    fotoloom::TPixel32* row = picture.Row(y);
    for (int x = 0; x < kWidth; ++x)
      row[x] = fotoloom::MakePixel(static_cast<uint8_t>(x * 7 ^ y * 3), static_cast<uint8_t>(x + y),
                                   static_cast<uint8_t>(x * y >> 4));
  }
  const std::vector<uint8_t> jpeg = fotoloom::EncodeJpeg(picture, 90);
  QFile file(path);
  return file.open(QIODevice::WriteOnly) &&
         file.write(reinterpret_cast<const char*>(jpeg.data()), static_cast<qint64>(jpeg.size())) ==
             static_cast<qint64>(jpeg.size());
}

// Runs the event loop until `done` or the time is up; false when the time ran out.
template <typename Done>
bool Wait(Done done, int ms) {
  QElapsedTimer clock;
  clock.start();
  while (!done()) {
    if (clock.elapsed() > ms) return false;
    QApplication::processEvents(QEventLoop::AllEvents, 5);
  }
  return true;
}

void Post(QSlider* slider, QEvent::Type type, QPoint at, Qt::MouseButtons buttons) {
  const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
  QApplication::postEvent(
      slider, new QMouseEvent(type, QPointF(at), slider->mapToGlobal(QPointF(at)), button, buttons,
                              Qt::NoModifier));
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  QTemporaryDir home;
  const QString photo = home.filePath("foto.jpg");
  if (!WritePhoto(photo)) return 1;
  fotoloom::TIniFile settings(home.filePath("fotoloom.crp").toStdString());
  fotoloom::TFormImage editor(settings, nullptr);
  auto* slider = editor.findChild<QSlider*>("TrackBar1");
  auto* picture = editor.findChild<fotoloom::TEditorPicture*>("Image1");

  bool ok = false;
  QTimer::singleShot(0, [&] {
    if (!Wait([&] { return slider->isEnabled() && !editor.Computing(); }, 60000)) {
      editor.reject();
      return;
    }
    QStyleOptionSlider option;
    option.initFrom(slider);
    option.orientation = slider->orientation();
    option.minimum = slider->minimum();
    option.maximum = slider->maximum();
    option.sliderPosition = slider->value();
    option.sliderValue = slider->value();
    const QRect handle = slider->style()->subControlRect(QStyle::CC_Slider, &option,
                                                         QStyle::SC_SliderHandle, slider);
    const int y = handle.center().y();
    // From the handle in the middle to the left end, then to the right end.
    const int left = -handle.width();
    const int right = slider->width() + handle.width();

    QElapsedTimer gap, clock;
    qint64 longest_gap = 0;
    int shown = 0, views = 0;
    const fotoloom::TBitmap32* last_shown = picture->Picture();
    const fotoloom::TBitmap32* last_view = picture->Fitted();
    QTimer beat;
    QObject::connect(&beat, &QTimer::timeout, [&] {
      longest_gap = std::max(longest_gap, gap.restart());
      if (picture->Picture() != last_shown) {
        last_shown = picture->Picture();
        ++shown;
      }
      if (picture->Fitted() != last_view) {
        last_view = picture->Fitted();
        ++views;
      }
    });
    gap.start();
    clock.start();
    beat.start(1);
    Post(slider, QEvent::MouseButtonPress, handle.center(), Qt::LeftButton);
    int x = handle.center().x();
    for (int i = 1; i <= kMoves; ++i) {
      const int to = i <= kMoves / 4
                         ? handle.center().x() + (left - handle.center().x()) * i / (kMoves / 4)
                         : left + (right - left) * (i - kMoves / 4) / (kMoves - kMoves / 4);
      x = to;
      Post(slider, QEvent::MouseMove, {x, y}, Qt::LeftButton);
      QElapsedTimer step;
      step.start();
      while (step.elapsed() < kMoveMs) QApplication::processEvents(QEventLoop::AllEvents, 1);
    }
    Post(slider, QEvent::MouseButtonRelease, {x, y}, Qt::NoButton);
    const qint64 released = clock.elapsed();
    Wait([&] { return !editor.Computing(); }, 60000);
    const qint64 settled = clock.elapsed();
    Wait([&] { return false; }, 100);
    beat.stop();
    ok = slider->value() == slider->maximum();
    std::printf(
        "%dx%d photo, contrast slider dragged over its whole range (to %d) in %d mouse moves "
        "over %lld ms: longest UI-thread gap %lld ms; %d views and %d full-size pictures shown "
        "during the drag; last position at full size %lld ms after the release\n",
        kWidth, kHeight, slider->value(), kMoves, static_cast<long long>(released),
        static_cast<long long>(longest_gap), views, shown,
        static_cast<long long>(settled - released));
    editor.reject();
  });
  editor.Edit(photo);
  return ok ? 0 : 1;
}
