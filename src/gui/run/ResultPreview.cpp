#include "gui/run/ResultPreview.h"

#include <QEvent>
#include <QLabel>
#include <QTreeWidget>
#include <filesystem>
#include <utility>

#include "gui/common/PhotoList.h"
#include "gui/common/PreviewLoader.h"

namespace fotoloom {
namespace {

const QTreeWidgetItem* FirstSelected(const QTreeWidget* list) {
  for (int i = 0; i < list->topLevelItemCount(); ++i)
    if (list->topLevelItem(i)->isSelected()) return list->topLevelItem(i);
  return nullptr;
}

}  // namespace

TResultPreview::TResultPreview(QTreeWidget* results, QLabel* preview,
                               std::function<QString()> target_folder)
    : QObject(results),
      m_results(results),
      m_preview(preview),
      m_target_folder(std::move(target_folder)) {
  // The events of one burst reach the window together; the load waits until they are all in.
  m_burst.setSingleShot(true);
  m_burst.setInterval(0);
  connect(&m_burst, &QTimer::timeout, this, &TResultPreview::LoadNow);
  const auto changed = [this] { Schedule(TSource::SelectedEntry); };
  connect(results, &QTreeWidget::itemChanged, this, changed);
  connect(results, &QTreeWidget::currentItemChanged, this, changed);
  connect(results, &QTreeWidget::itemSelectionChanged, this, changed);
  results->installEventFilter(this);
}

bool TResultPreview::eventFilter(QObject* watched, QEvent* event) {
  if (watched == m_results && event->type() == QEvent::KeyRelease)
    Schedule(TSource::TargetFolder);
  return false;
}

void TResultPreview::Schedule(TSource source) {
  m_source = source;
  m_burst.start();
}

void TResultPreview::LoadNow() {
  const QTreeWidgetItem* item = FirstSelected(m_results);
  if (!item) return;
  // After a rename the photo is found under its new caption in the target folder.
  const std::string file = m_source == TSource::TargetFolder
                               ? (m_target_folder() + item->text(0)).toStdString()
                               : PhotoEntryOf(item).File();
  std::error_code error;
  if (!std::filesystem::exists(file, error)) return;
  emit LoadStarted(QString::fromStdString(file));
  LoadPreview(m_preview, file, Qt::FastTransformation);
}

}  // namespace fotoloom
