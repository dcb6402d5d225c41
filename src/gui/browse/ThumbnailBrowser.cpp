#include "gui/browse/ThumbnailBrowser.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QHeaderView>
#include <QListView>
#include <QScrollBar>
#include <QTreeView>
#include <QUrl>
#include <algorithm>

#include "gui/browse/FolderItemsModel.h"
#include "gui/browse/ThumbnailLoader.h"
#include "gui/common/ContextMenu.h"
#include "gui/common/ListColumns.h"
#include "gui/common/WheelToArrowKeys.h"

namespace fotoloom {
namespace {

constexpr int kThumbnailSize = 96;

void SetUpDragAndSelection(QAbstractItemView* view) {
  view->setSelectionMode(QAbstractItemView::ExtendedSelection);
  view->setDragEnabled(true);
  view->setDragDropMode(QAbstractItemView::DragOnly);
  view->setDefaultDropAction(Qt::CopyAction);
  view->setEditTriggers(QAbstractItemView::NoEditTriggers);
}

}  // namespace

TThumbnailBrowser::TThumbnailBrowser(QWidget* parent)
    : QStackedWidget(parent),
      m_items(new TFolderItemsModel(this)),
      // Thumbnails in device pixels, so that they stay sharp on a scaled screen.
      m_loader(new TThumbnailLoader(qRound(kThumbnailSize * qApp->devicePixelRatio()), this)),
      m_thumbnails(new QListView(this)),
      m_details(new QTreeView(this)) {
  setObjectName(QStringLiteral("VirtualEel1"));

  m_thumbnails->setViewMode(QListView::IconMode);
  m_thumbnails->setMovement(QListView::Static);
  m_thumbnails->setResizeMode(QListView::Adjust);
  m_thumbnails->setUniformItemSizes(true);
  m_thumbnails->setLayoutMode(QListView::Batched);
  m_thumbnails->setBatchSize(200);
  m_thumbnails->setIconSize(QSize(kThumbnailSize, kThumbnailSize));
  m_thumbnails->setGridSize(QSize(kThumbnailSize + 24, kThumbnailSize + 28));
  m_thumbnails->setTextElideMode(Qt::ElideMiddle);
  m_thumbnails->setWordWrap(false);
  m_thumbnails->setSelectionRectVisible(true);
  m_thumbnails->setModel(m_items);
  SetUpDragAndSelection(m_thumbnails);

  m_details->setModel(m_items);
  // One selection for both views, so that switching keeps it.
  m_details->setSelectionModel(m_thumbnails->selectionModel());
  m_details->setRootIsDecorated(false);
  m_details->setItemsExpandable(false);
  m_details->setUniformRowHeights(true);
  m_details->setAllColumnsShowFocus(true);
  FitColumnsToContents(m_details->header());
  m_details->header()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  SetUpDragAndSelection(m_details);

  addWidget(m_thumbnails);
  addWidget(m_details);

  m_in_sight.setSingleShot(true);
  m_in_sight.setInterval(15);
  connect(&m_in_sight, &QTimer::timeout, this, &TThumbnailBrowser::RequestVisibleThumbnails);
  const auto look_again = [this] { m_in_sight.start(); };
  for (QAbstractItemView* view : {static_cast<QAbstractItemView*>(m_thumbnails),
                                  static_cast<QAbstractItemView*>(m_details)}) {
    connect(view, &QAbstractItemView::doubleClicked, this, &TThumbnailBrowser::Open);
    connect(view->verticalScrollBar(), &QScrollBar::valueChanged, this, look_again);
    // The range grows as a batched layout places the items.
    connect(view->verticalScrollBar(), &QScrollBar::rangeChanged, this, look_again);
  }
  connect(m_items, &TFolderItemsModel::Listed, this, look_again);
  connect(this, &QStackedWidget::currentChanged, this, look_again);
  connect(m_loader, &TThumbnailLoader::Ready, m_items, &TFolderItemsModel::SetThumbnail);
  connect(m_items, &TFolderItemsModel::FileChanged, m_loader, &TThumbnailLoader::Forget);
  // The wheel scrolls here, as in every file browser, rather than moving the selection.
  WheelToArrowKeys::LetWheelScroll(this);
}

TThumbnailBrowser::~TThumbnailBrowser() = default;

void TThumbnailBrowser::SetFolder(const QString& folder) {
  if (!m_items->Folder().isEmpty() && m_items->Folder() == QDir::cleanPath(folder)) return;
  m_loader->CancelPending();
  m_items->SetFolder(folder);
}

QString TThumbnailBrowser::Folder() const {
  return m_items->Folder();
}

QStringList TThumbnailBrowser::SelectedPaths() const {
  // The thumbnail view selects only the name column of a row, the details view every column:
  // a row counts as selected when any of its cells is.
  QList<int> rows;
  for (const QModelIndex& index : m_thumbnails->selectionModel()->selectedIndexes())
    rows << index.row();
  std::sort(rows.begin(), rows.end());
  rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
  QStringList paths;
  for (int row : rows) paths << m_items->PathOf(row);
  return paths;
}

void TThumbnailBrowser::SelectAll() {
  m_thumbnails->selectAll();
}

void TThumbnailBrowser::ShowThumbnails() {
  setCurrentWidget(m_thumbnails);
}

void TThumbnailBrowser::ShowDetails() {
  setCurrentWidget(m_details);
}

bool TThumbnailBrowser::ShowsDetails() const {
  return currentWidget() == m_details;
}

void TThumbnailBrowser::SetContextMenu(QMenu* menu) {
  AttachContextMenu(m_thumbnails, menu);
  AttachContextMenu(m_details, menu);
}

void TThumbnailBrowser::showEvent(QShowEvent* event) {
  QStackedWidget::showEvent(event);
  m_in_sight.start();
}

void TThumbnailBrowser::resizeEvent(QResizeEvent* event) {
  QStackedWidget::resizeEvent(event);
  m_in_sight.start();
}

QAbstractItemView* TThumbnailBrowser::ShownView() const {
  if (ShowsDetails()) return m_details;
  return m_thumbnails;
}

void TThumbnailBrowser::Open(const QModelIndex& index) {
  if (!index.isValid()) return;
  const QString path = m_items->PathOf(index.row());
  if (m_items->Item(index.row()).is_folder) {
    SetFolder(path);
    emit FolderOpened(m_items->Folder());
  } else {
    QDesktopServices::openUrl(QUrl::fromLocalFile(path));
  }
}

// The items stand in the views in the model's order, so the first one in sight is found by
// halving and the rest follow it until one lies below the viewport.
void TThumbnailBrowser::RequestVisibleThumbnails() {
  const QAbstractItemView* view = ShownView();
  const QRect sight = view->viewport()->rect();
  const int count = m_items->rowCount();
  const auto rect_of = [&](int row) { return view->visualRect(m_items->index(row, 0)); };
  int first = 0;
  int past = count;
  while (first < past) {
    const int middle = first + (past - first) / 2;
    const QRect rect = rect_of(middle);
    if (rect.isValid() && rect.bottom() < sight.top())
      first = middle + 1;
    else
      past = middle;
  }
  for (int row = first; row < count; ++row) {
    const QRect rect = rect_of(row);
    if (!rect.isValid() || rect.top() > sight.bottom()) break;
    if (m_items->Item(row).has_thumbnail) m_loader->Request(m_items->PathOf(row));
  }
}

}  // namespace fotoloom
