#include "gui/publish/UploadController.h"

#include <QWidget>
#include <functional>

#include "gui/common/Messages.h"
#include "gui/publish/ServerTrustQuestion.h"
#include "gui/publish/TFormWebbrowser.h"

namespace fotoloom {
namespace {

QString Text(const std::string& text) {
  return QString::fromStdString(text);
}

// The view the run calls off the window's thread: every call is carried over to the
// window's view, in order; a message or a question waits there for the user. Once the
// window is going, the calls are dropped and the run is stopped.
class TQueuedUploadView : public IUploadView {
 public:
  TQueuedUploadView(const TBackgroundWork::TJob& job, IUploadView& window, TRunGate& gate)
      : m_job(job), m_window(window), m_gate(gate) {}

  void StatusLine(const std::string& text) override {
    Post([&window = m_window, text] { window.StatusLine(text); });
  }
  void LogLine(const std::string& text) override {
    Post([&window = m_window, text] { window.LogLine(text); });
  }
  void StepProgress() override {
    Post([&window = m_window] { window.StepProgress(); });
  }
  void BytesProgress(uint64_t sent, uint64_t total) override {
    // A step per percent is all a bar can show.
    const uint64_t percent = total > 0 ? sent * 100 / total : 100;
    if (sent > 0 && percent == m_last_percent && sent != total) return;
    m_last_percent = percent;
    Post([&window = m_window, sent, total] { window.BytesProgress(sent, total); });
  }
  void ConnectFailed(const std::string& reason) override {
    Wait([&window = m_window, reason] { window.ConnectFailed(reason); });
  }
  void ShowError(const std::string& text) override {
    Wait([&window = m_window, text] { window.ShowError(text); });
  }
  bool AcceptUnknownServer(const TUnknownServer& server) override {
    const auto answer = m_job.Ask<bool>(
        [&window = m_window, server] { return window.AcceptUnknownServer(server); });
    return answer.value_or(false);
  }
  void ShowFinishPage(const std::string& url) override {
    Wait([&window = m_window, url] { window.ShowFinishPage(url); });
  }
  void ShowInformation(const std::string& text) override {
    Wait([&window = m_window, text] { window.ShowInformation(text); });
  }
  void ClearStatus() override {
    Post([&window = m_window] { window.ClearStatus(); });
  }

 private:
  void Post(std::function<void()> call) {
    if (!m_job.Post(std::move(call))) m_gate.Cancel();
  }
  // Waiting keeps one window at a time on the screen, in the run's order.
  void Wait(std::function<void()> call) {
    const auto shown = m_job.Ask<bool>([call = std::move(call)] {
      call();
      return true;
    });
    if (!shown) m_gate.Cancel();
  }

  const TBackgroundWork::TJob& m_job;
  IUploadView& m_window;
  TRunGate& m_gate;
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
