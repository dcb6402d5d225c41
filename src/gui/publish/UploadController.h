#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <vector>

#include "core/convert/RunGate.h"
#include "core/lists/ListEntry.h"
#include "core/publish/UploadRun.h"
#include "gui/common/BackgroundWork.h"

class QWidget;

namespace fotoloom {

// Runs an upload of the result list off the window's thread. What the run shows reaches
// the window's thread in the run's order through the signals below; its questions and
// messages stand before `window` while the run waits for them.
class TUploadController : public QObject, private IUploadView {
  Q_OBJECT

 public:
  // `gate` is the window's run gate: the progress window's stop button cancels it.
  TUploadController(TRunGate& gate, QWidget* window);
  // A run still going is broken off: its network work ends at once.
  ~TUploadController() override;

  // Starts an upload; false, doing nothing, while one runs already. `settings.group`, when
  // given, is copied for the run.
  bool Start(std::vector<TListEntry> photos, TUploadSettings settings);
  bool Running() const { return m_running; }
  // While `owner` is visible, the run's questions and messages stand before it instead of
  // the main window: a progress window kept on top would hide them.
  void SetMessageOwner(QWidget* owner) { m_message_owner = owner; }

 signals:
  void StatusWritten(const QString& text);  // the label and the log
  void LogAppended(const QString& line);    // the log only
  void Stepped();                           // one photo sent
  void BytesSent(qint64 sent, qint64 total);
  void StatusCleared();
  // The user answered Yes to the connect-failure question: open the FTP settings.
  void SettingsRequested();
  void Finished(fotoloom::TUploadEnd end);

 private:
  void StatusLine(const std::string& text) override;
  void LogLine(const std::string& text) override;
  void StepProgress() override;
  void BytesProgress(uint64_t sent, uint64_t total) override;
  void ConnectFailed(const std::string& reason) override;
  void ShowError(const std::string& text) override;
  bool AcceptUnknownServer(const TUnknownServer& server) override;
  void ShowFinishPage(const std::string& url) override;
  void ShowInformation(const std::string& text) override;
  void ClearStatus() override;
  QWidget* MessageParent() const;

  TRunGate& m_gate;
  QWidget* m_window;
  QPointer<QWidget> m_message_owner;
  bool m_running = false;
  std::atomic<bool> m_abandon{false};
  TUploadGroup m_group;  // of the run going on
  // Last: it waits for the run before the rest goes.
  TBackgroundWork m_work{this};
};

}  // namespace fotoloom
