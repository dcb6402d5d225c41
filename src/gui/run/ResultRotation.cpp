#include "gui/run/ResultRotation.h"

#include <QApplication>
#include <QLabel>
#include <QTreeView>
#include <memory>
#include <string>
#include <utility>

#include "core/imaging/LoadByExtension.h"
#include "core/imaging/PhotoRotation.h"
#include "core/imaging/QuarterTurn.h"
#include "core/imaging/SafeRewrite.h"
#include "gui/common/Messages.h"
#include "gui/common/PhotoListModel.h"
#include "gui/common/PreviewLoader.h"

namespace fotoloom {

TResultRotation::TResultRotation(const TParts& parts) : QObject(parts.preview), m_parts(parts) {}

void TResultRotation::Roteren90gradenClick() {
  if (FirstSelectedRow(m_parts.list) < 0) return;
  if (m_running) {
    ++m_presses_waiting;
    return;
  }
  m_running = true;
  m_parts.set_busy(true);
  QApplication::setOverrideCursor(Qt::WaitCursor);
  Start();
}

void TResultRotation::Start() {
  const int row = FirstSelectedRow(m_parts.list);
  if (row < 0) {
    Finish({});
    return;
  }
  const std::string file = m_parts.entries->Entry(row).File();
  QLabel* preview = m_parts.preview;
  m_work.Start(
      [this, file, original = m_parts.entries->HoldsOriginals(), kept = KeptPicture(preview),
       preview, size = preview->size()](const TBackgroundWork::TJob& job) -> QString {
        try {
          if (original) {
            // The user's own photo, not a copy of this run: turned as in step 1, without
            // loss where JPEG allows it and with its metadata kept.
            QImage image;
            const auto turned = std::make_shared<const TBitmap32>(
                RotateOriginalPhoto(file, [&](const TBitmap32& picture) {
                  image = StretchedImage(picture, size, Qt::SmoothTransformation);
                }));
            job.Post([this, preview, image, kept = KeepPicture(file, turned)] {
              ShowKeptPicture(preview, image, kept);
              emit Turned();
            });
            return {};
          }
          const std::shared_ptr<const TBitmap32> picture =
              kept.file == file && kept.FileUnchanged()
                  ? kept.picture
                  : std::make_shared<const TBitmap32>(LoadPictureByExtension(file));
          auto turned = std::make_shared<const TBitmap32>(TurnQuarterClockwise(*picture));
          const QImage image = StretchedImage(*turned, size, Qt::SmoothTransformation);
          // The preview shows the turned picture at once; it stands for the file only once
          // the file holds it.
          job.Post([this, preview, image] {
            ShowKeptPicture(preview, image, {});
            emit Turned();
          });
          RewriteJpegFile(file, *turned, kRotationJpegQuality);
          job.Post([preview, image, kept = KeepPicture(file, turned)] {
            ShowKeptPicture(preview, image, kept);
          });
          return {};
        } catch (const std::exception& error) {
          return QString::fromUtf8(error.what());
        }
      },
      [this, file](const QString& error) {
        m_parts.entries->RefreshSizes({file});
        Finish(error);
      });
}

void TResultRotation::Finish(const QString& error) {
  if (error.isEmpty() && m_presses_waiting > 0) {
    --m_presses_waiting;
    Start();
    return;
  }
  m_presses_waiting = 0;
  QApplication::restoreOverrideCursor();
  m_parts.set_busy(false);
  m_running = false;
  if (!error.isEmpty()) ShowError(m_parts.window, error);
  emit Finished();
}

}  // namespace fotoloom
