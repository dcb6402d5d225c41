#include "gui/run/ResultPreview.h"

#include <QEvent>
#include <QLabel>
#include <QTreeView>
#include <filesystem>

#include "gui/common/PhotoListModel.h"
#include "gui/common/PreviewLoader.h"

namespace fotoloom {
namespace {

constexpr int kBurstEndMs = 60;

}  // namespace
TResultPreview::TResultPreview(QTreeView* results, TPhotoListModel* entries, QLabel* preview)
    : QObject(results), m_results(results), m_entries(entries), m_preview(preview) {
  // A burst ends when the list has been still for a moment longer than a held key takes
  // to repeat, so that going down the list decodes only the photo where the user stops.
  m_burst.setSingleShot(true);
  m_burst.setInterval(kBurstEndMs);
  connect(&m_burst, &QTimer::timeout, this, &TResultPreview::LoadNow);
  const auto changed = [this] { m_burst.start(); };
  connect(entries, &QAbstractItemModel::dataChanged, this, changed);
  connect(results->selectionModel(), &QItemSelectionModel::currentChanged, this, changed);
  connect(results->selectionModel(), &QItemSelectionModel::selectionChanged, this, changed);
  results->installEventFilter(this);
}

bool TResultPreview::eventFilter(QObject* watched, QEvent* event) {
  if (watched == m_results && event->type() == QEvent::KeyRelease) m_burst.start();
  return false;
}

void TResultPreview::LoadNow() {
  const int row = FirstSelectedRow(m_results);
  if (row < 0) return;
  const TListEntry& entry = m_entries->Entry(row);
  const std::string file = entry.File();
  std::error_code error;
  if (!std::filesystem::exists(file, error)) return;
  emit LoadStarted(QString::fromStdString(file));
  // The full-size picture stays with the preview for the rotation, which turns it.
  LoadPreview(m_preview, file, m_mode, {}, true);
}

}  // namespace fotoloom
