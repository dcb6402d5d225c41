#include "gui/browse/SelectionRotation.h"

#include <QApplication>
#include <QLabel>
#include <QPixmap>
#include <QTreeView>
#include <string>
#include <vector>

#include "core/imaging/PhotoRotation.h"
#include "gui/common/Messages.h"
#include "gui/common/PhotoListModel.h"
#include "gui/common/PreviewLoader.h"

namespace fotoloom {

TSelectionRotation::TSelectionRotation(const TParts& parts)
    : QObject(parts.preview), m_parts(parts) {}

void TSelectionRotation::Afbeeldingroteren1Click() {
  if (m_running) return;
  // The files as they are now: the list may change while the photos are turned.
  std::vector<std::string> files;
  for (const int row : SelectedRows(m_parts.list))
    files.push_back(m_parts.entries->Entry(row).File());
  if (files.empty()) return;
  m_running = true;
  m_parts.set_busy(true);
  m_parts.hold_preview(true);
  QApplication::setOverrideCursor(Qt::WaitCursor);
  QLabel* preview = m_parts.preview;
  m_work.Start(
      [files, preview, size = preview->size()](const TBackgroundWork::TJob& job) -> QString {
        const auto show = [&](const TBitmap32& picture) {
          job.Post([preview, image = StretchedImage(picture, size, Qt::SmoothTransformation)] {
            preview->setPixmap(QPixmap::fromImage(image));
          });
        };
        for (const std::string& file : files) {
          if (job.Cancelled()) break;
          try {
            RotateOriginalPhoto(file, show);
          } catch (const std::exception& error) {
            return QString::fromUtf8(error.what());
          }
        }
        return {};
      },
      [this, files](const QString& error) {
        m_parts.entries->RefreshSizes(files);
        Finish(error);
      });
}

void TSelectionRotation::Finish(const QString& error) {
  QApplication::restoreOverrideCursor();
  m_parts.hold_preview(false);
  m_parts.set_busy(false);
  m_running = false;
  if (!error.isEmpty()) ShowError(m_parts.window, error);
  emit Finished();
}

}  // namespace fotoloom
