#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <atomic>
#include <vector>

#include "core/convert/ConversionRun.h"
#include "core/convert/RunGate.h"
#include "gui/common/BackgroundWork.h"

class QLabel;
class QPushButton;
class QTreeView;

namespace fotoloom {

class TFormProgress;
class TPhotoListModel;

// Runs the conversion of the selection list. The run works off the window's thread;
// everything it shows or asks reaches the window's thread in list order, and the run waits
// there for the answers to its questions while the window keeps working. The window hears
// of the run through the signals below.
class TRunController : public QObject, private IRunView {
  Q_OBJECT

 public:
  struct TWidgets {
    QWidget* window;     // owns the progress windows; messages stand before it
    QTreeView* results;  // ListView3
    TPhotoListModel* result_entries;
    QLabel* step1_preview;  // Image321
    QPushButton* next;      // btnNext
  };

  // `gate` is the window's run gate: the stop button holds and cancels it, every photo of
  // a run passes it before it starts.
  TRunController(TRunGate& gate, const TWidgets& widgets);
  // A run still going is stopped: no new photo starts, and the photos being converted
  // are waited for.
  ~TRunController() override;

  // Starts a run over the photos; false, doing nothing, while one runs already.
  bool Start(std::vector<TListEntry> photos, const TRunSettings& settings);
  bool Running() const { return m_running; }
  // The progress window of the latest run; earlier ones stay, hidden.
  TFormProgress* ProgressWindow() const;

 signals:
  // The window's commands that start work are off while a run goes on.
  void BusyChanged(bool busy);
  // The folder field of step 2 shows the target folder completed with its separator.
  void FolderFieldCompleted(const QString& folder);
  // The folder the run leaves behind as the target folder.
  void TargetFolderChanged(const QString& folder);
  // After the end of a run has been shown and the window is no longer busy.
  void RunEnded(fotoloom::TRunEnd end);

 private:
  // What the run shows and asks, on the window's thread.
  void ShowError(const std::string& text) override;
  void RunStarted(int photo_count) override;
  void StatusLine(const std::string& text) override;
  void PhotoReported(const TPhotoReport& report) override;
  void StepProgress() override;
  TOverwriteAnswer AskOverwrite(const std::string& path) override;
  void ResultAdded(const TListEntry& entry) override;

  void Finish(const TRunResult& result);
  void Fail(const QString& message);
  void End(TRunEnd end);
  void ShowFirstResult();
  QWidget* MessageParent();

  TRunGate& m_gate;
  TWidgets m_widgets;
  TRunSettings m_settings;  // of the run going on
  bool m_running = false;
  QPointer<TFormProgress> m_progress;
  // Last: it waits for the run before the rest goes.
  TBackgroundWork m_work{this};
};

}  // namespace fotoloom
