#pragma once

#include <QDir>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>
#include <memory>

#include "gui/common/PhotoListModel.h"
#include "gui/window/TFormMain.h"

namespace fotoloom::test {

// A main window on its own data folder, with HOME and XDG_CONFIG_HOME in a temporary
// folder so that nothing of the user's is read or written. HOME holds a "Documents"
// folder, where default export folders are proposed.
class MainWindowFixture {
  // First, so that the window goes before its folder.
  QTemporaryDir m_home;

 public:
  // `arguments`: the program's command line, as `/custom=...`.
  explicit MainWindowFixture(const QStringList& arguments = {}) {
    QDir(m_home.path()).mkpath(QStringLiteral("Documents"));
    qputenv("HOME", QFile::encodeName(m_home.path()));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_home.filePath(QStringLiteral(".config"))));
    form = std::make_unique<TFormMain>(DataFolder(), arguments);
  }

  QString Home() const { return m_home.path(); }
  QString DataFolder() const { return m_home.filePath(QStringLiteral(".config/Fotoloom/")); }
  QString SettingsFile() const { return DataFolder() + QStringLiteral("fotoloom.crp"); }

  // Shows the window and makes it active, so that focus changes as it does for the user.
  bool ShowActive() {
    form->show();
    form->activateWindow();
    return QTest::qWaitForWindowActive(form.get());
  }

  template <typename Widget>
  Widget* Find(const QString& name) const {
    auto* found = form->findChild<Widget*>(name);
    if (!found) qFatal("no control named %s", qPrintable(name));
    return found;
  }

  // Puts a photo entry into the selection list (`ListView1`) or the result list
  // (`ListView3`): caption, size text, folder, stored name.
  void AddPhoto(const QString& folder, const QString& name,
                const QString& list = QStringLiteral("ListView1")) {
    auto* entries = qobject_cast<TPhotoListModel*>(Find<QTreeView>(list)->model());
    entries->Append({TListEntry{name.toStdString(), "1.0 kB", folder.toStdString(),
                                name.toStdString(), false}});
  }

  std::unique_ptr<TFormMain> form;
};

}  // namespace fotoloom::test
