#pragma once

#include <QDialog>
#include <QSize>
#include <QString>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/imaging/Bitmap32.h"
#include "core/imaging/EditorOperations.h"
#include "gui/common/BackgroundWork.h"

class QCheckBox;
class QPushButton;
class QSlider;
class QSpinBox;

namespace fotoloom {

class TEditorPicture;
class TIniFile;

// The photo editor: contrast and brightness, black and white, cropping to a rectangle drawn
// with the mouse, and saving as a JPEG of a chosen quality. Made once and opened for every
// photo; "Autosize", the quality and a selection not yet cropped stay from one opening to
// the next. Loading, every recompute and saving run off the window's thread: while a slider
// is dragged, each finished picture is shown and the next one computed is that of the
// slider's newest position.
class TFormImage : public QDialog {
  Q_OBJECT

 public:
  // The window's size is kept in `settings_file`.
  TFormImage(TIniFile& settings_file, QWidget* owner);
  ~TFormImage() override;

  // Opens the editor modally on `photo_file` (`PhotoFile`) and returns how it closed:
  // Accepted after "Opslaan", Rejected after "Annuleren", Escape or the close box. A file
  // that the editor cannot read is not edited: the reason is shown and it returns Rejected.
  int Edit(const QString& photo_file);
  const QString& PhotoFile() const { return m_photo_file; }
  // The file the last "Opslaan" wrote (the photo itself or another name).
  const QString& SavedFile() const { return m_saved_file; }

  // True while the picture shown is not yet the result of the latest change.
  bool Computing() const { return m_shown_generation != m_generation; }

  void done(int result) override;

 private:
  // What makes the displayed picture from the loaded one. The crops are applied first, each
  // to the result of the one before; the adjustments act on each pixel alone, so their
  // order with the crops does not matter.
  struct TEdits {
    int contrast = 0;
    int brightness = 0;
    bool black_and_white = false;
    std::vector<TSelection> crops;
  };
  struct TRendered {
    std::shared_ptr<const TBitmap32> picture;
    std::shared_ptr<const TBitmap32> fitted;
    // The view of the loaded picture before the adjustments, when there were no crops:
    // a slider or "Zwart/wit" shows its effect on it at once.
    std::shared_ptr<const TBitmap32> uncropped_view;
    QSize area;
    uint64_t generation = 0;
    std::string error;
  };
  struct TLoaded {
    std::shared_ptr<const TBitmap32> picture;
    std::string error;
  };

  void StartLoad();
  void ShowLoaded(TLoaded loaded);
  // Recomputes the displayed picture from the loaded one and the edits. While a recompute
  // runs, the newest request waits for it and the ones before it are dropped.
  void Render();
  void StartRender();
  // The work of one recompute, off the window's thread; leaves `rendered` without a
  // picture when the job was cancelled.
  static void RenderEdits(const std::shared_ptr<const TBitmap32>& loaded, const TEdits& edits,
                          QSize area, const TBackgroundWork::TJob& job, TRendered& rendered);
  void ShowRendered(TRendered rendered);
  // The effect of the sliders or of "Zwart/wit" on the fitted view, at once, while the
  // full-size picture is computed.
  void ShowQuickView();
  // The size of the displayed picture as the edits make it, known before it is computed.
  QSize EditedSize() const;
  void SetPictureControlsEnabled(bool enabled);

  void TrackBarChange();
  void Button3Click();     // "Opnieuw"
  void Button4Click();     // "Zwart/wit"
  void chkStretchClick();  // "Autosize"
  void btnCropClick();
  void UndoCrop();
  void SavePhotoClick();  // "Opslaan"
  void SaveShownPicture();

  TIniFile& m_settings_file;
  bool m_size_restored = false;
  QString m_photo_file;
  QString m_saved_file;
  std::shared_ptr<const TBitmap32> m_loaded;  // LoadedPicture
  std::shared_ptr<const TBitmap32> m_uncropped_view;
  QSize m_uncropped_view_area;
  TEdits m_edits;
  uint64_t m_generation = 0;
  uint64_t m_shown_generation = 0;
  // The change whose quick view shows; an older picture that comes later keeps it.
  uint64_t m_quick_generation = 0;
  bool m_rendering = false;
  bool m_render_pending = false;
  bool m_save_waiting = false;
  bool m_saving = false;

  TEditorPicture* Image1;
  QSlider* TrackBar1;
  QSlider* TrackBar2;
  QPushButton* Button3;
  QPushButton* Button4;
  QPushButton* btnCrop;
  QSpinBox* editJPGQuality;
  QCheckBox* chkStretch;
  QPushButton* Button2;
  QPushButton* Button1;

  // Last: its end waits for work still running while the rest of the window stands.
  TBackgroundWork m_work{this};
};

}  // namespace fotoloom
