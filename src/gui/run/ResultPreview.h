#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

class QLabel;
class QTreeView;

namespace fotoloom {

class TPhotoListModel;

// The preview of step 3 (`Image322`) follows the result list (`ListView3`): a change of any
// entry and a key released in the list show the selected entry's own file (its folder and
// name: after "Dezelfde map", "In submap" or "Niet kopieeren" the photos lie in several
// folders). Missing or unreadable files leave the old picture.
// A burst of changes (a key press moves the current entry and the selection and then
// releases the key; a held key repeats) loads once, after the burst, from the change that
// came last; a load still decoding when the next one starts is cancelled.
class TResultPreview : public QObject {
  Q_OBJECT

 public:
  TResultPreview(QTreeView* results, TPhotoListModel* entries, QLabel* preview);

  // From the first turned picture on, the preview draws with smooth (Lanczos-like)
  // resampling instead of nearest pixels.
  void DrawSmoothly() { m_mode = Qt::SmoothTransformation; }

 signals:
  // A load of `file` has begun.
  void LoadStarted(const QString& file);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void LoadNow();

  QTreeView* m_results;
  TPhotoListModel* m_entries;
  QLabel* m_preview;
  Qt::TransformationMode m_mode = Qt::FastTransformation;
  QTimer m_burst;
};

}  // namespace fotoloom
