#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <thread>
#include <vector>

#include "core/convert/ConversionRun.h"
#include "gui/common/WindowPost.h"

class QLabel;
class QPushButton;
class QStackedWidget;
class QTreeWidget;

namespace fotoloom {

class TFormMain;
class TFormProgress;

// Runs the conversion of the selection list for the main window. The run works on its own
// thread; everything it shows or asks reaches the window's thread in list order, and the
// run waits there for the answers to its questions while the window keeps working.
class TRunController : public QObject, private IRunView {
  Q_OBJECT

 public:
  struct TWidgets {
    QStackedWidget* pages;  // Notebook1
    QTreeWidget* results;   // ListView3
    QLabel* step1_preview;  // Image321
    QLabel* step3_preview;  // Image322
    QPushButton* next;      // btnNext
  };

  TRunController(TFormMain& main, const TWidgets& widgets);
  // A run still going is stopped: no new photo starts, and the photos being converted
  // are waited for.
  ~TRunController() override;

  // Starts a run over the photos; false, doing nothing, while one runs already.
  bool Start(std::vector<TListEntry> photos, const TRunSettings& settings);
  bool Running() const { return m_thread.joinable(); }
  // The progress window of the latest run; earlier ones stay, hidden.
  TFormProgress* ProgressWindow() const;

 signals:
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
  void ShowFirstResult();
  QWidget* MessageParent();

  TFormMain& m_main;
  TWidgets m_widgets;
  TRunSettings m_settings;  // of the run going on
  QPointer<TFormProgress> m_progress;
  TWindowPost m_post{this};
  std::thread m_thread;
};

}  // namespace fotoloom
