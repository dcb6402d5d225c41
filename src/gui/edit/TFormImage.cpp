#include "gui/edit/TFormImage.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>
#include <QSignalBlocker>
#include <QSlider>
#include <QSpinBox>
#include <QVBoxLayout>
#include <algorithm>

#include "core/imaging/LoadByExtension.h"
#include "core/imaging/SafeRewrite.h"
#include "core/settings/IniFile.h"
#include "core/settings/Settings.h"
#include "gui/common/FormHeader.h"
#include "gui/common/HandlerGuard.h"
#include "gui/common/Messages.h"
#include "gui/common/WidgetHelpers.h"
#include "gui/common/WindowPlacement.h"
#include "gui/edit/EditorPicture.h"

namespace fotoloom {
namespace {

// The window's size lives among the program's settings: every other section of the file
// would be taken for a size profile.
constexpr const char* kSizeSection = kSettingsSection;
constexpr int kDefaultWidth = 640;
constexpr int kDefaultHeight = 567;
constexpr int kDefaultQuality = 90;

QSlider* NewTrackBar(const char* name, QWidget* parent) {
  auto* slider = Named(new QSlider(Qt::Horizontal, parent), name);
  slider->setRange(kAdjustmentMin, kAdjustmentMax);
  slider->setValue(0);
  slider->setTickPosition(QSlider::NoTicks);
  slider->setPageStep(16);
  return slider;
}

QPushButton* NewButton(const char* name, const QString& caption, QWidget* parent) {
  auto* button = Named(new QPushButton(caption, parent), name);
  button->setAutoDefault(false);
  return button;
}

void Adjust(TBitmap32& picture, bool black_and_white, int contrast, int brightness) {
  if (black_and_white)
    MakeBlackAndWhite(picture);
  else if (contrast != 0 || brightness != 0)
    AdjustContrastBrightness(picture, contrast, brightness);
}

bool IsJpegName(const QString& file) {
  const QString suffix = QFileInfo(file).suffix().toLower();
  return suffix == QLatin1String("jpg") || suffix == QLatin1String("jpeg");
}

// The editor writes JPEG data, so a GIF or BMP photo is offered a name of its own with
// ".jpg" instead of its own name, which would then hold data of another format.
QString ProposedSaveName(const QString& photo_file) {
  if (IsJpegName(photo_file)) return photo_file;
  const QFileInfo info(photo_file);
  return info.dir().filePath(info.completeBaseName() + QStringLiteral(".jpg"));
}

}  // namespace

TFormImage::TFormImage(TIniFile& settings_file, QWidget* owner)
    : QDialog(owner), m_settings_file(settings_file) {
  setObjectName(QStringLiteral("FormImage"));
  setWindowTitle(QStringLiteral("Fotoloom"));

  auto* Panel1 = Named(new QFrame(this), "Panel1");
  Image1 = new TEditorPicture(Panel1);
  auto* picture_fill = new QVBoxLayout(Panel1);
  picture_fill->setContentsMargins(10, 10, 10, 10);
  picture_fill->addWidget(Image1);

  auto* sliders = new QWidget(this);
  sliders->setFixedHeight(89);
  TrackBar1 = NewTrackBar("TrackBar1", sliders);
  TrackBar2 = NewTrackBar("TrackBar2", sliders);
  auto* slider_grid = new QGridLayout(sliders);
  slider_grid->setContentsMargins(12, 6, 12, 6);
  slider_grid->addWidget(new QLabel(QStringLiteral("Contrast"), sliders), 0, 0);
  slider_grid->addWidget(TrackBar1, 0, 1);
  slider_grid->addWidget(new QLabel(QStringLiteral("Helderheid"), sliders), 1, 0);
  slider_grid->addWidget(TrackBar2, 1, 1);

  auto* buttons = new QWidget(this);
  buttons->setFixedHeight(41);
  Button3 = NewButton("Button3", QStringLiteral("Opnieuw"), buttons);
  Button4 = NewButton("Button4", QStringLiteral("Zwart/wit"), buttons);
  btnCrop = NewButton("btnCrop", QStringLiteral("Crop"), buttons);
  btnCrop->setEnabled(false);
  editJPGQuality = Named(new QSpinBox(buttons), "editJPGQuality");
  editJPGQuality->setRange(0, 100);
  editJPGQuality->setValue(kDefaultQuality);
  chkStretch = Named(new QCheckBox(QStringLiteral("Autosize"), buttons), "chkStretch");
  Button2 = NewButton("Button2", QStringLiteral("Annuleren"), buttons);
  Button1 = Named(new QPushButton(QStringLiteral("Opslaan"), buttons), "Button1");
  Button1->setDefault(true);
  auto* button_row = new QHBoxLayout(buttons);
  button_row->setContentsMargins(12, 4, 12, 8);
  button_row->setSpacing(6);
  for (QWidget* control : std::initializer_list<QWidget*>{Button3, Button4, btnCrop})
    button_row->addWidget(control);
  button_row->addStretch();
  button_row->addWidget(new QLabel(QStringLiteral("JPG Kwaliteit"), buttons));
  button_row->addWidget(editJPGQuality);
  button_row->addWidget(chkStretch);
  button_row->addStretch();
  button_row->addWidget(Button2);
  button_row->addWidget(Button1);

  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);
  column->addWidget(new FormHeader(this));
  column->addWidget(Panel1, 1);
  column->addWidget(sliders);
  column->addWidget(buttons);

  connect(TrackBar1, &QSlider::valueChanged, this, &TFormImage::TrackBarChange);
  connect(TrackBar2, &QSlider::valueChanged, this, &TFormImage::TrackBarChange);
  connect(Button3, &QPushButton::clicked, this, &TFormImage::Button3Click);
  connect(Button4, &QPushButton::clicked, this, &TFormImage::Button4Click);
  connect(btnCrop, &QPushButton::clicked, this, &TFormImage::btnCropClick);
  connect(chkStretch, &QCheckBox::clicked, this, &TFormImage::chkStretchClick);
  connect(Button2, &QPushButton::clicked, this, &QDialog::reject);
  connect(Button1, &QPushButton::clicked, this, &TFormImage::SavePhotoClick);
  connect(new QShortcut(QKeySequence::Undo, this), &QShortcut::activated, this,
          &TFormImage::UndoCrop);
  connect(Image1, &TEditorPicture::FitAreaChanged, this, &TFormImage::Render);

  SetPictureControlsEnabled(false);
  resize(kDefaultWidth, kDefaultHeight);
}

TFormImage::~TFormImage() = default;

int TFormImage::Edit(const QString& photo_file) {
  m_photo_file = photo_file;
  // Nothing of the photo before may stay: it must never be saved under this one's name.
  m_loaded.reset();
  Image1->Clear();
  m_edits = {};
  {
    const QSignalBlocker block1(TrackBar1), block2(TrackBar2);
    TrackBar1->setValue(0);
    TrackBar2->setValue(0);
  }
  bool readable = false;
  Guard(parentWidget(), [&] {
    ImageTypeFromExtension(photo_file.toStdString());
    readable = true;
  });
  if (!readable) return Rejected;
  if (!m_size_restored) {
    m_size_restored = true;
    Guard(this, [&] {
      const int width = m_settings_file.ReadInteger(kSizeSection, "EditorWidth", kDefaultWidth);
      const int height = m_settings_file.ReadInteger(kSizeSection, "EditorHeight", kDefaultHeight);
      resize(std::clamp(width, minimumSizeHint().width(), 8000),
             std::clamp(height, minimumSizeHint().height(), 8000));
    });
    CentreOnScreen(this);
  }
  StartLoad();
  return exec();
}

void TFormImage::done(int result) {
  // A save in progress ends the editor itself when its file is complete.
  if (m_saving) return;
  m_work.CancelAll();
  m_rendering = m_render_pending = m_save_waiting = false;
  unsetCursor();
  Image1->unsetCursor();
  m_loaded.reset();
  m_uncropped_view.reset();
  Image1->Clear();
  if (m_size_restored) {
    Guard(this, [&] {
      if (m_settings_file.ReadInteger(kSizeSection, "EditorWidth", 0) != width())
        m_settings_file.WriteInteger(kSizeSection, "EditorWidth", width());
      if (m_settings_file.ReadInteger(kSizeSection, "EditorHeight", 0) != height())
        m_settings_file.WriteInteger(kSizeSection, "EditorHeight", height());
    });
  }
  QDialog::done(result);
}

void TFormImage::StartLoad() {
  ++m_generation;
  m_loaded.reset();
  m_uncropped_view.reset();
  m_rendering = m_render_pending = false;
  SetPictureControlsEnabled(false);
  Image1->setCursor(Qt::BusyCursor);
  m_work.Replace(
      [file = m_photo_file.toStdString()](const TBackgroundWork::TJob&) {
        TLoaded loaded;
        try {
          loaded.picture = std::make_shared<const TBitmap32>(LoadPictureByExtension(file));
        } catch (const std::exception& error) {
          loaded.error = error.what();
        }
        return loaded;
      },
      [this](TLoaded loaded) { ShowLoaded(std::move(loaded)); });
}

void TFormImage::ShowLoaded(TLoaded loaded) {
  Image1->unsetCursor();
  if (!loaded.picture) {
    // A photo that cannot be read is not edited.
    ShowError(this, QString::fromStdString(loaded.error));
    reject();
    return;
  }
  m_loaded = std::move(loaded.picture);
  SetPictureControlsEnabled(true);
  Render();
}

void TFormImage::Render() {
  if (!m_loaded) return;
  ++m_generation;
  // A recompute that runs is let finish, so that a drag shows pictures as it goes; the
  // newest request follows it.
  if (m_rendering) {
    m_render_pending = true;
    return;
  }
  StartRender();
}

void TFormImage::StartRender() {
  m_rendering = true;
  m_work.Start(
      [loaded = m_loaded, edits = m_edits, area = Image1->FitArea(),
       generation = m_generation](const TBackgroundWork::TJob& job) {
        TRendered rendered;
        rendered.generation = generation;
        try {
          RenderEdits(loaded, edits, area, job, rendered);
        } catch (const std::exception& error) {
          // Out of memory, say: reported, and the picture before stays.
          rendered = {.generation = generation, .error = error.what()};
        }
        return rendered;
      },
      [this](TRendered rendered) { ShowRendered(std::move(rendered)); });
}

void TFormImage::RenderEdits(const std::shared_ptr<const TBitmap32>& loaded, const TEdits& edits,
                             QSize area, const TBackgroundWork::TJob& job, TRendered& rendered) {
  std::shared_ptr<const TBitmap32> picture = loaded;
  std::shared_ptr<TBitmap32> own;
  for (const TSelection& crop : edits.crops) {
    own = std::make_shared<TBitmap32>(CropPicture(*picture, crop));
    picture = own;
  }
  // The view is scaled before the adjustments, the same way as the quick view is made.
  auto view = std::make_shared<TBitmap32>(FitView(*picture, area));
  if (edits.crops.empty()) rendered.uncropped_view = std::make_shared<const TBitmap32>(*view);
  Adjust(*view, edits.black_and_white, edits.contrast, edits.brightness);
  if (edits.black_and_white || edits.contrast != 0 || edits.brightness != 0) {
    if (job.Cancelled()) return;
    if (!own) own = std::make_shared<TBitmap32>(*picture);
    Adjust(*own, edits.black_and_white, edits.contrast, edits.brightness);
    picture = own;
  }
  if (job.Cancelled()) return;
  rendered.fitted = std::move(view);
  rendered.area = area;
  rendered.picture = std::move(picture);
}

void TFormImage::ShowRendered(TRendered rendered) {
  m_rendering = false;
  if (rendered.picture) {
    m_shown_generation = rendered.generation;
    if (rendered.uncropped_view) {
      m_uncropped_view = std::move(rendered.uncropped_view);
      m_uncropped_view_area = rendered.area;
    }
    Image1->SetPicture(std::move(rendered.picture), rendered.generation < m_quick_generation
                                                        ? Image1->SharedFitted()
                                                        : std::move(rendered.fitted));
  } else if (!rendered.error.empty()) {
    m_save_waiting = false;
    unsetCursor();
    ShowError(this, QString::fromStdString(rendered.error));
  }
  if (m_render_pending) {
    m_render_pending = false;
    StartRender();
    return;
  }
  if (m_save_waiting && !Computing()) {
    m_save_waiting = false;
    unsetCursor();
    SaveShownPicture();
  }
}

void TFormImage::ShowQuickView() {
  if (!m_uncropped_view || m_uncropped_view_area != Image1->FitArea() || Image1->ActualSize())
    return;
  auto view = std::make_shared<TBitmap32>(*m_uncropped_view);
  Adjust(*view, m_edits.black_and_white, m_edits.contrast, m_edits.brightness);
  Image1->SetFitted(std::move(view));
  m_quick_generation = m_generation;
}

QSize TFormImage::EditedSize() const {
  if (!m_loaded) return {};
  QSize size(m_loaded->Width(), m_loaded->Height());
  for (const TSelection& crop : m_edits.crops) {
    const std::optional<TRect> rect = CropRectangle(crop, size.width(), size.height());
    if (rect) size = QSize(static_cast<int>(rect->Width()), static_cast<int>(rect->Height()));
  }
  return size;
}

void TFormImage::SetPictureControlsEnabled(bool enabled) {
  for (QWidget* control : std::initializer_list<QWidget*>{TrackBar1, TrackBar2, Button4, Button1})
    control->setEnabled(enabled);
  btnCrop->setEnabled(enabled && chkStretch->isChecked());
}

void TFormImage::TrackBarChange() {
  // Both sliders act together on the photo as loaded: a crop or black and white goes.
  m_edits.contrast = TrackBar1->value();
  m_edits.brightness = TrackBar2->value();
  m_edits.black_and_white = false;
  m_edits.crops.clear();
  Render();
  ShowQuickView();
}

void TFormImage::Button3Click() {
  {
    const QSignalBlocker block1(TrackBar1), block2(TrackBar2);
    TrackBar1->setValue(0);
    TrackBar2->setValue(0);
  }
  m_edits = {};
  StartLoad();
}

void TFormImage::Button4Click() {
  // From the photo as loaded; the sliders keep their positions.
  m_edits.black_and_white = true;
  m_edits.crops.clear();
  Render();
  ShowQuickView();
}

void TFormImage::chkStretchClick() {
  Image1->SetActualSize(chkStretch->isChecked());
  btnCrop->setEnabled(chkStretch->isChecked() && m_loaded);
}

void TFormImage::btnCropClick() {
  Guard(this, [&] {
    if (!m_loaded) return;
    const TSelection selection = Image1->Selection();
    const QSize size = EditedSize();
    // No selection, one from the first column or row, or one without width or height.
    if (!CropRectangle(selection, size.width(), size.height())) {
      ShowMessage(this, MessageType::Information, QString::fromUtf8(kNoSelectionMessage),
                  MessageButtons::Ok);
      return;
    }
    Image1->ClearSelection();
    m_edits.crops.push_back(selection);
    Render();
  });
}

void TFormImage::UndoCrop() {
  if (m_edits.crops.empty() || m_saving) return;
  m_edits.crops.pop_back();
  Image1->ClearSelection();
  Render();
}

void TFormImage::SavePhotoClick() {
  if (m_saving || !m_loaded) return;
  // What is saved is the full-size result of every change made, so a recompute still
  // running is waited for.
  if (Computing()) {
    m_save_waiting = true;
    setCursor(Qt::WaitCursor);
    return;
  }
  SaveShownPicture();
}

void TFormImage::SaveShownPicture() {
  Guard(this, [&] {
    QFileDialog dialog(this, QStringLiteral("Opslaan als"));
    dialog.setObjectName(QStringLiteral("SavePictureDialog1"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    // Every existing file is asked about below, the photo itself too: a Return in this
    // dialog must not replace an original.
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    dialog.setNameFilter(QStringLiteral("JPEG-afbeeldingen (*.jpg *.jpeg)"));
    dialog.setDefaultSuffix(QStringLiteral("jpg"));
    dialog.selectFile(ProposedSaveName(m_photo_file));
    QString chosen;
    while (chosen.isEmpty()) {
      // Cancelled: nothing is written and the editor stays open with its work.
      if (dialog.exec() != Accepted || dialog.selectedFiles().isEmpty()) return;
      const QString file = dialog.selectedFiles().constFirst();
      if (!IsJpegName(file)) {
        ShowMessage(this, MessageType::Warning,
                    QStringLiteral("De foto wordt als JPEG opgeslagen. Kies een bestandsnaam "
                                   "die eindigt op .jpg of .jpeg."),
                    MessageButtons::Ok);
        continue;
      }
      if (QFileInfo::exists(file) &&
          ShowMessage(this, MessageType::Confirmation,
                      FormatMessage(QStringLiteral("Het bestand \"%s\" bestaat al. Wilt u het "
                                                   "vervangen?"),
                                    file),
                      MessageButtons::YesNo) != MessageAnswer::Yes)
        continue;
      chosen = file;
    }
    m_saving = true;
    SetPictureControlsEnabled(false);
    Button2->setEnabled(false);
    Button3->setEnabled(false);
    setCursor(Qt::WaitCursor);
    m_work.Start(
        [picture = Image1->SharedPicture(), file = chosen.toStdString(),
         quality = std::max(1, editJPGQuality->value())](const TBackgroundWork::TJob&) {
          // A complete new file or none: the old one stays until the new one is written.
          try {
            RewriteJpegFile(file, *picture, quality);
            return std::string();
          } catch (const std::exception& error) {
            return std::string(error.what());
          }
        },
        [this, chosen](const std::string& error) {
          m_saving = false;
          unsetCursor();
          Button2->setEnabled(true);
          Button3->setEnabled(true);
          SetPictureControlsEnabled(true);
          // On failure the editor stays open with its work, so another name can be tried.
          if (error.empty()) {
            m_saved_file = chosen;
            accept();
          } else {
            ShowError(this, QString::fromStdString(error));
          }
        });
  });
}

}  // namespace fotoloom
