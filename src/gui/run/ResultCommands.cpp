#include "gui/run/ResultCommands.h"

#include <QAbstractButton>
#include <QAction>
#include <QClipboard>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QInputDialog>
#include <QLineEdit>
#include <QTreeView>
#include <QUrl>

#include "core/base/Path.h"
#include "core/base/RenameInFolder.h"
#include "gui/common/HandlerGuard.h"
#include "gui/common/Messages.h"
#include "gui/common/PhotoListModel.h"
#include "gui/common/WindowPlacement.h"

namespace fotoloom {
namespace {

// Hands the path to the desktop's handler; whether it opens anything is not reported.
void OpenWithDesktop(const QString& path) {
  if (!path.isEmpty()) QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

}  // namespace

TResultCommands::TResultCommands(const TWidgets& widgets)
    : QObject(widgets.results), m_widgets(widgets) {
  connect(widgets.copy_folder_link, &QAction::triggered, this,
          &TResultCommands::Maplinkkopieeren1Click);
  connect(widgets.rename, &QAction::triggered, this, &TResultCommands::Bestandsnaamwijzigen1Click);
  connect(widgets.check_all, &QAction::triggered, this,
          &TResultCommands::Alleregelsaanvinken1Click);
  connect(widgets.uncheck_all, &QAction::triggered, this,
          &TResultCommands::Alleregelsuitvinken1Click);
  connect(widgets.open_folder_field, &QAction::triggered, this, &TResultCommands::Mapopenen2Click);
  connect(widgets.open_target, &QAbstractButton::clicked, this,
          &TResultCommands::btnMapOpenenClick);
}

void TResultCommands::Maplinkkopieeren1Click() {
  QGuiApplication::clipboard()->setText(m_widgets.folder_field());
  ShowMessage(m_widgets.window, MessageType::Information,
              QStringLiteral("Link is gekopieerd! U kunt de link bijv. plakken bij de "
                             "bestandsnaam bij het selecteren van foto's op Facebook of Hyves."),
              MessageButtons::Ok);
}

void TResultCommands::Bestandsnaamwijzigen1Click() {
  Guard(m_widgets.window, [this] { RenameSelected(); });
}

void TResultCommands::RenameSelected() {
  const int row = FirstSelectedRow(m_widgets.results);
  if (row < 0) return;
  const TListEntry before = m_widgets.entries->Entry(row);
  const QString stored_name = QString::fromStdString(before.stored_name);

  QInputDialog ask(m_widgets.window);
  GiveDialogFrame(&ask);
  ask.setWindowTitle(QStringLiteral("Bestandsnaam wijzigen"));
  ask.setLabelText(QStringLiteral("Bestandsnaam"));
  ask.setTextValue(stored_name);
  ask.setOkButtonText(QStringLiteral("OK"));
  ask.setCancelButtonText(QStringLiteral("Annuleren"));
  // Room for the title and a long file name, in the font's own measure (the prompt keeps
  // itself at its contents' size).
  if (auto* field = ask.findChild<QLineEdit*>())
    field->setMinimumWidth(field->fontMetrics().averageCharWidth() * 45);
  if (ask.exec() != QDialog::Accepted) return;
  const QString answer = ask.textValue().trimmed();
  if (answer.isEmpty() || answer == stored_name) return;

  // The list may have changed while the prompt was open; rename only the entry that was asked
  // about.
  if (row >= m_widgets.entries->Count()) return;
  const TListEntry& now = m_widgets.entries->Entry(row);
  if (now.folder != before.folder || now.stored_name != before.stored_name) return;

  const std::string new_name = answer.toStdString();
  RenameInFolder(IncludeTrailingSeparator(before.folder), before.stored_name, new_name);
  // The stored name follows, so that a second rename finds the file under its new name.
  m_widgets.entries->SetFileName(row, new_name);
}

void TResultCommands::Alleregelsaanvinken1Click() {
  m_widgets.entries->SetAllChecked(true);
}

void TResultCommands::Alleregelsuitvinken1Click() {
  m_widgets.entries->SetAllChecked(false);
}

void TResultCommands::Mapopenen2Click() {
  OpenWithDesktop(m_widgets.folder_field());
}

void TResultCommands::btnMapOpenenClick() {
  OpenWithDesktop(m_widgets.target_folder());
}

}  // namespace fotoloom
