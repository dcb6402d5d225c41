#include "gui/publish/UploadController.h"

#include <QWidget>
#include <functional>

#include "gui/common/Messages.h"
#include "gui/common/ViewBridge.h"
#include "gui/publish/ServerTrustQuestion.h"
#include "gui/publish/TFormWebbrowser.h"

namespace fotoloom {
namespace {

QString Text(const std::string& text) {
  return QString::fromStdString(text);
}

// The view the run calls off the window's thread: every call goes to the window's view.
class TQueuedUploadView : public IUploadView {
 public:
  TQueuedUploadView(const TBackgroundWork::TJob& job, IUploadView& window, TRunGate& gate)
      : m_bridge(job, window, gate) {}

  void StatusLine(const std::string& text) override {
    m_bridge.Post(&IUploadView::StatusLine, text);
  }
  void LogLine(const std::string& text) override { m_bridge.Post(&IUploadView::LogLine, text); }
  void StepProgress() override { m_bridge.Post(&IUploadView::StepProgress); }
  void BytesProgress(uint64_t sent, uint64_t total) override {
    // A step per percent is all a bar can show.
    const uint64_t percent = total > 0 ? sent * 100 / total : 100;
    if (sent > 0 && percent == m_last_percent && sent != total) return;
    m_last_percent = percent;
    m_bridge.Post(&IUploadView::BytesProgress, sent, total);
  }
  void ConnectFailed(const std::string& reason) override {
    m_bridge.Wait(&IUploadView::ConnectFailed, reason);
  }
  void ShowError(const std::string& text) override { m_bridge.Wait(&IUploadView::ShowError, text); }
  bool AcceptUnknownServer(const TUnknownServer& server) override {
    return m_bridge.Ask(&IUploadView::AcceptUnknownServer, server).value_or(false);
  }
  void ShowFinishPage(const std::string& url) override {
    m_bridge.Wait(&IUploadView::ShowFinishPage, url);
  }
  void ShowInformation(const std::string& text) override {
    m_bridge.Wait(&IUploadView::ShowInformation, text);
  }
  void ClearStatus() override { m_bridge.Post(&IUploadView::ClearStatus); }

 private:
  TViewBridge<IUploadView> m_bridge;
  uint64_t m_last_percent = 101;
};

}  // namespace

TUploadController::TUploadController(TRunGate& gate, QWidget* window)
    : m_gate(gate), m_window(window) {}

TUploadController::~TUploadController() {
  m_abandon = true;
  m_gate.Cancel();
}

bool TUploadController::Start(std::vector<TListEntry> photos, TUploadSettings settings) {
  if (m_running) return false;
  m_running = true;
  if (settings.group != nullptr) {
    m_group = *settings.group;
    settings.group = &m_group;
  }
  m_work.Start(
      [this, photos = std::move(photos), settings](const TBackgroundWork::TJob& job) {
        TQueuedUploadView view(job, *this, m_gate);
        try {
          return TUploadRun(view, m_gate, &m_abandon).Run(photos, settings);
        } catch (const std::exception& error) {
          view.ShowError(error.what());
          return TUploadEnd::Failed;
        }
      },
      [this](TUploadEnd end) {
        m_running = false;
        emit Finished(end);
      });
  return true;
}

void TUploadController::StatusLine(const std::string& text) {
  emit StatusWritten(Text(text));
}

void TUploadController::LogLine(const std::string& text) {
  emit LogAppended(Text(text));
}

void TUploadController::StepProgress() {
  emit Stepped();
}

void TUploadController::BytesProgress(uint64_t sent, uint64_t total) {
  emit BytesSent(static_cast<qint64>(sent), static_cast<qint64>(total));
}

void TUploadController::ConnectFailed(const std::string&) {
  if (ShowMessage(MessageParent(), MessageType::Error,
                  QString::fromUtf8(kUploadConnectFailedQuestion),
                  MessageButtons::YesNo) == MessageAnswer::Yes)
    emit SettingsRequested();
}

void TUploadController::ShowError(const std::string& text) {
  fotoloom::ShowError(MessageParent(), Text(text));
}

bool TUploadController::AcceptUnknownServer(const TUnknownServer& server) {
  return AskToTrustServer(MessageParent(), server);
}

void TUploadController::ShowFinishPage(const std::string& url) {
  TFormWebbrowser browser(MessageParent());
  browser.Navigate(Text(url));
  browser.exec();
}

void TUploadController::ShowInformation(const std::string& text) {
  ShowMessage(MessageParent(), MessageType::Information, Text(text), MessageButtons::Ok);
}

QWidget* TUploadController::MessageParent() const {
  if (m_message_owner && m_message_owner->isVisible()) return m_message_owner;
  return m_window;
}

void TUploadController::ClearStatus() {
  emit StatusCleared();
}

}  // namespace fotoloom
