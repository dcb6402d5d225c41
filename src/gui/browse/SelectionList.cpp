#include "gui/browse/SelectionList.h"

#include <QAbstractButton>
#include <QAction>
#include <QDesktopServices>
#include <QDropEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLocale>
#include <QMenu>
#include <QMimeData>
#include <QPointer>
#include <QProgressBar>
#include <QTabWidget>
#include <QTreeView>
#include <QUrl>
#include <algorithm>
#include <filesystem>
#include <optional>
#include <utility>

#include "core/lists/FolderItems.h"
#include "core/lists/FolderScan.h"
#include "core/lists/PhotoExtensions.h"
#include "gui/browse/TFormMessage2.h"
#include "gui/browse/ThumbnailBrowser.h"
#include "gui/common/HandlerGuard.h"
#include "gui/common/Messages.h"
#include "gui/common/PhotoListModel.h"
#include "gui/common/PreviewLoader.h"

namespace fotoloom {
namespace {

// Folder (with its separator) and name of a path; a folder's path may end in separators.
std::pair<std::string, std::string> SplitPath(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return {std::string(), path};
  return {path.substr(0, slash + 1), path.substr(slash + 1)};
}

}  // namespace

TSelectionList::TSelectionList(const TWidgets& widgets) : m_widgets(widgets) {
  QTreeView* list = m_widgets.list;
  list->installEventFilter(this);
  list->viewport()->installEventFilter(this);
  list->viewport()->setAcceptDrops(true);
  connect(list->selectionModel(), &QItemSelectionModel::selectionChanged, this,
          &TSelectionList::SelectionChanged);
  const auto guarded = [this](void (TSelectionList::*command)()) {
    return [this, command] { Guard(m_widgets.list, [&] { (this->*command)(); }); };
  };
  connect(m_widgets.remove, &QAbstractButton::clicked, this,
          guarded(&TSelectionList::RemoveSelection));
  connect(m_widgets.remove_all, &QAbstractButton::clicked, this,
          guarded(&TSelectionList::RemoveAll));
  connect(m_widgets.remove_item, &QAction::triggered, this,
          guarded(&TSelectionList::RemoveSelection));
  connect(m_widgets.remove_all_item, &QAction::triggered, this,
          guarded(&TSelectionList::RemoveAll));
  connect(m_widgets.add, &QAbstractButton::clicked, this, guarded(&TSelectionList::AddFromBrowser));
  connect(m_widgets.add_all, &QAbstractButton::clicked, this,
          guarded(&TSelectionList::AddAllFromBrowser));
  connect(m_widgets.add_item, &QAction::triggered, this, guarded(&TSelectionList::AddFromBrowser));
  connect(m_widgets.add_all_item, &QAction::triggered, this,
          guarded(&TSelectionList::AddAllFromBrowser));
  connect(m_widgets.open_folder_item, &QAction::triggered, this,
          guarded(&TSelectionList::OpenFolder));
  m_preview_timer.setObjectName(QStringLiteral("Timer1"));
  connect(&m_preview_timer, &QTimer::timeout, this, &TSelectionList::PreviewTick);
  m_preview_timer.start(10);
  UpdateStatus();
}

TSelectionList::~TSelectionList() = default;

const std::vector<TListEntry>& TSelectionList::Entries() const {
  return m_widgets.entries->Entries();
}

bool TSelectionList::AddPaths(const QStringList& paths) {
  if (m_busy) return false;
  m_busy = true;
  m_widgets.progress->setValue(0);
  m_widgets.progress->show();
  m_widgets.list->viewport()->setCursor(Qt::BusyCursor);
  std::vector<std::string> files;
  for (const QString& path : paths) files.push_back(path.toStdString());
  // The duplicate test sees the list as it stands now and every photo the add finds.
  TListedFiles listed(Entries());
  const std::string decimal_separator = QLocale().decimalPoint().toStdString();
  m_adder.Start(
      [this, files = std::move(files), listed = std::move(listed),
       decimal_separator](const TBackgroundWork::TJob& job) mutable {
        AddOnWorker(job, files, std::move(listed), decimal_separator);
      },
      [this] { EndAdd(); });
  return true;
}

// Files are taken when their extension passes; folders are scanned once the folder question
// has been answered "OK", which holds for the rest of this add.
void TSelectionList::AddOnWorker(const TBackgroundWork::TJob& job,
                                 const std::vector<std::string>& paths, TListedFiles listed,
                                 const std::string& decimal_separator) {
  std::vector<TListEntry> files;
  const auto send_files = [&] {
    if (!files.empty()) {
      job.Post([this, files] { AppendFound(files, false); });
      files.clear();
    }
    return !job.Cancelled();
  };
  std::optional<bool> include_subfolders;
  for (const std::string& path : paths) {
    if (job.Cancelled()) break;
    const auto [folder, name] = SplitPath(path);
    if (folder.empty() || name.empty()) continue;
    const std::optional<TFolderItem> item = ReadFolderItem(folder, name);
    if (!item) continue;
    if (!item->is_folder) {
      if (ContainsPhotoExtension(name) && listed.Insert(folder, name))
        files.push_back(FileEntry(folder, name, item->size, decimal_separator));
      continue;
    }
    if (!send_files()) break;
    if (!include_subfolders) {
      const std::optional<TFolderAnswer> answer =
          job.Ask<TFolderAnswer>([this] { return TFormMessage2::Ask(m_widgets.list->window()); });
      if (!answer || answer->choice == TFolderAnswer::Stop) break;
      if (answer->choice == TFolderAnswer::Skip) continue;
      include_subfolders = answer->include_subfolders;
    }
    bool going = true;
    ScanFolder(folder + name + '/', *include_subfolders, decimal_separator, listed,
               [&](std::vector<TListEntry> photos) {
                 // One batch at a time: the window appends it and turns its event loop
                 // before the next one comes, so a folder of thousands never freezes it.
                 if (!photos.empty()) {
                   going = job.Ask<bool>([this, photos] {
                                AppendFound(photos, true);
                                return true;
                              })
                               .has_value();
                 }
                 return going && !job.Cancelled();
               });
    if (!going) break;
  }
  send_files();
}

void TSelectionList::AppendFound(const std::vector<TListEntry>& photos, bool from_scan) {
  m_widgets.entries->Append(photos);
  if (from_scan) {
    // The bar only shows that the scan goes on: it starts again when full.
    QProgressBar* bar = m_widgets.progress;
    int value = bar->value();
    for (size_t i = 0; i < photos.size(); ++i) value = value >= bar->maximum() ? 1 : value + 1;
    bar->setValue(value);
  }
  UpdateStatus();
}

void TSelectionList::EndAdd() {
  m_widgets.progress->hide();
  m_widgets.list->viewport()->unsetCursor();
  m_busy = false;
  UpdateStatus();
  emit AddFinished();
}

void TSelectionList::AddFromBrowser() {
  AddPaths(m_widgets.browser->SelectedPaths());
}

void TSelectionList::AddAllFromBrowser() {
  m_widgets.browser->SelectAll();
  AddFromBrowser();
}

void TSelectionList::RemoveSelection() {
  QTreeView* list = m_widgets.list;
  TPhotoListModel& entries = *m_widgets.entries;
  const QList<int> selected = SelectedRows(list);
  if (!selected.isEmpty()) {
    {
      // The selection changes with every row deleted; no preview is loaded meanwhile.
      const bool was_busy = std::exchange(m_busy, true);
      entries.RemoveRows(selected);
      m_busy = was_busy;
    }
    if (entries.Count() > 0) SelectOnly(list, std::min(selected.first(), entries.Count() - 1));
    list->setFocus();
  }
  UpdateStatus();
  if (entries.Count() == 0) HideStepTwo();
}

void TSelectionList::RemoveAll() {
  m_widgets.entries->Clear();
  UpdateStatus();
  HideStepTwo();
}

void TSelectionList::SelectionChanged() {
  m_widgets.preview_panel->show();
  ++m_selection_changes;
  m_preview_timer.start(m_widgets.settings->Photodelay);
}

const TListEntry* TSelectionList::FirstSelected() const {
  const int row = FirstSelectedRow(m_widgets.list);
  return row < 0 ? nullptr : &m_widgets.entries->Entry(row);
}

void TSelectionList::HoldPreview(bool held) {
  m_preview_held = held;
  if (held) {
    CancelPreviewLoads(m_widgets.preview);
    m_loading_for = -1;
    m_changes_at_hold = m_selection_changes;
  } else if (m_changes_at_hold == m_selection_changes) {
    m_preview_timer.stop();
  }
}

// A photo that cannot be read is tried again at the next tick; the old picture stays.
void TSelectionList::PreviewTick() {
  if (m_busy || m_preview_held || m_loading_for == m_selection_changes) return;
  const TListEntry* entry = FirstSelected();
  if (!entry) return;
  const std::string file = entry->File();
  std::error_code error;
  if (!std::filesystem::exists(file, error)) return;
  m_loading_for = m_selection_changes;
  LoadPreview(m_widgets.preview, file, Qt::SmoothTransformation,
              [self = QPointer(this), change = m_selection_changes](bool loaded) {
                if (!self) return;
                self->m_loading_for = -1;
                if (loaded && change == self->m_selection_changes) self->m_preview_timer.stop();
              });
}

void TSelectionList::OpenFolder() {
  if (const TListEntry* entry = FirstSelected())
    QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(entry->folder)));
}

void TSelectionList::UpdateStatus() {
  m_widgets.status->setText(
      FormatMessage(QStringLiteral("Aantal foto's geselecteerd: %d"), m_widgets.entries->Count()));
}

void TSelectionList::HideStepTwo() {
  m_widgets.steps->setTabVisible(m_widgets.steps->indexOf(m_widgets.step2), false);
  m_widgets.preview_panel->hide();
}

bool TSelectionList::eventFilter(QObject* watched, QEvent* event) {
  if (watched == m_widgets.list && event->type() == QEvent::KeyPress &&
      static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete &&
      static_cast<QKeyEvent*>(event)->modifiers() == Qt::NoModifier) {
    Guard(m_widgets.list, [this] { RemoveSelection(); });
    return true;
  }
  if (watched == m_widgets.list && event->type() == QEvent::KeyPress &&
      static_cast<QKeyEvent*>(event)->matches(QKeySequence::SelectAll)) {
    m_widgets.list->selectAll();
    return true;
  }
  if (watched != m_widgets.list->viewport()) return false;
  switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop: {
      auto* drop = static_cast<QDropEvent*>(event);
      if (m_busy || !drop->mimeData()->hasUrls()) {
        drop->ignore();
        return true;
      }
      drop->setDropAction(Qt::CopyAction);
      drop->accept();
      if (event->type() != QEvent::Drop) return true;
      QStringList paths;
      for (const QUrl& url : drop->mimeData()->urls())
        if (url.isLocalFile()) paths << url.toLocalFile();
      // The folder question comes later, from the add: the file manager is not kept waiting.
      Guard(m_widgets.list, [&] { AddPaths(paths); });
      return true;
    }
    default:
      return false;
  }
}

}  // namespace fotoloom
