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
  connect(results, &QTreeWidget::itemChanged, this, &TResultPreview::EntryChanged);
  connect(results, &QTreeWidget::currentItemChanged, this, &TResultPreview::EntryChanged);
  connect(results, &QTreeWidget::itemSelectionChanged, this, &TResultPreview::EntryChanged);
  results->installEventFilter(this);
}

void TResultPreview::EntryChanged() {
  if (const QTreeWidgetItem* item = FirstSelected(m_results)) Load(PhotoEntryOf(item).File());
}

bool TResultPreview::eventFilter(QObject* watched, QEvent* event) {
  if (watched == m_results && event->type() == QEvent::KeyRelease) {
    // After a rename the photo is found under its new caption in the target folder.
    if (const QTreeWidgetItem* item = FirstSelected(m_results))
      Load((m_target_folder() + item->text(0)).toStdString());
  }
  return false;
}

void TResultPreview::Load(const std::string& file) {
  std::error_code error;
  if (std::filesystem::exists(file, error)) LoadPreview(m_preview, file, Qt::FastTransformation);
}

}  // namespace fotoloom
