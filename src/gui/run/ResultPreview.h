#pragma once

#include <QObject>
#include <QString>
#include <functional>

class QLabel;
class QTreeWidget;

namespace fotoloom {

// The preview of step 3 (`Image322`) follows the result list (`ListView3`): a change of any
// entry shows the selected entry's file, a key released in the list shows the file of that
// name in the target folder. Missing or unreadable files leave the old picture.
class TResultPreview : public QObject {
  Q_OBJECT

 public:
  TResultPreview(QTreeWidget* results, QLabel* preview, std::function<QString()> target_folder);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void EntryChanged();
  void Load(const std::string& file);

  QTreeWidget* m_results;
  QLabel* m_preview;
  std::function<QString()> m_target_folder;
};

}  // namespace fotoloom
