#include "gui/run/RunController.h"

#include <QLabel>
#include <QPushButton>
#include <QTreeView>
#include <optional>

#include "core/base/Path.h"
#include "gui/common/Messages.h"
#include "gui/common/PhotoListModel.h"
#include "gui/common/PreviewLoader.h"
#include "gui/common/ViewBridge.h"
#include "gui/run/TFormProgress.h"

namespace fotoloom {
namespace {

QString Text(const std::string& text) {
  return QString::fromStdString(text);
}

// The view the run calls off the window's thread: every call goes to the window's view.
class TQueuedRunView : public IRunView {
 public:
  TQueuedRunView(const TBackgroundWork::TJob& job, IRunView& window, TRunGate& gate)
      : m_bridge(job, window, gate) {}

  void ShowError(const std::string& text) override { m_bridge.Wait(&IRunView::ShowError, text); }
  void RunStarted(int photo_count) override { m_bridge.Post(&IRunView::RunStarted, photo_count); }
  void StatusLine(const std::string& text) override { m_bridge.Post(&IRunView::StatusLine, text); }
  void PhotoReported(const TPhotoReport& report) override {
    m_bridge.Post(&IRunView::PhotoReported, report);
  }
  void StepProgress() override { m_bridge.Post(&IRunView::StepProgress); }
  TOverwriteAnswer AskOverwrite(const std::string& path) override {
    return m_bridge.Ask(&IRunView::AskOverwrite, path).value_or(TOverwriteAnswer::Cancel);
  }
  void ResultAdded(const TListEntry& entry) override {
    m_bridge.Post(&IRunView::ResultAdded, entry);
  }

 private:
  TViewBridge<IRunView> m_bridge;
};

// How a run ended: its result, or the fault that stopped it.
struct TRunOutcome {
  std::optional<TRunResult> result;
  std::string error;
};

}  // namespace

TRunController::TRunController(TRunGate& gate, const TWidgets& widgets)
    : m_gate(gate), m_widgets(widgets) {}

TRunController::~TRunController() {
  m_gate.Cancel();
}

TFormProgress* TRunController::ProgressWindow() const {
  return m_progress;
}

bool TRunController::Start(std::vector<TListEntry> photos, const TRunSettings& settings) {
  if (m_running) return false;
  m_running = true;
  m_settings = settings;
  // Busy at once, so that nothing starts a second run before this one has begun.
  emit BusyChanged(true);
  m_work.Start(
      [this, photos = std::move(photos), settings](const TBackgroundWork::TJob& job) {
        TQueuedRunView view(job, *this, m_gate);
        TRunOutcome outcome;
        try {
          outcome.result = TConversionRun(view, m_gate).Run(photos, settings);
        } catch (const std::exception& e) {
          outcome.error = e.what();
        } catch (...) {
          outcome.error = "Onbekende fout";
        }
        return outcome;
      },
      [this](const TRunOutcome& outcome) {
        if (outcome.result)
          Finish(*outcome.result);
        else
          Fail(Text(outcome.error));
      });
  return true;
}

void TRunController::ShowError(const std::string& text) {
  ShowMessage(MessageParent(), MessageType::Error, Text(text), MessageButtons::Ok);
}

void TRunController::RunStarted(int photo_count) {
  m_widgets.next->setText(QStringLiteral("Opnieuw beginnen"));
  if (m_settings.target_mode == TTargetMode::TargetFolder) {
    // The folder exists now; the field shows it completed with its separator.
    emit FolderFieldCompleted(Text(IncludeTrailingSeparator(m_settings.folder_field)));
  }
  // A window of an earlier run left open would stop this run with its button.
  if (m_progress) m_progress->hide();
  m_progress = new TFormProgress(m_gate, m_widgets.window);
  m_progress->SetMaximum(photo_count);
  m_progress->SetPosition(0);
  m_progress->SetStep(1);
  m_progress->show();
  m_widgets.result_entries->Clear();
  m_progress->ClearLog();
}

void TRunController::StatusLine(const std::string& text) {
  if (m_progress) m_progress->WriteStatus(Text(text));
}

void TRunController::PhotoReported(const TPhotoReport& report) {
  const std::string line = PhotoLine(report);
  if (!line.empty()) StatusLine(line);
}

void TRunController::StepProgress() {
  if (m_progress) m_progress->StepIt();
}

TOverwriteAnswer TRunController::AskOverwrite(const std::string& path) {
  switch (ShowMessage(MessageParent(), MessageType::Information, Text(OverwriteQuestion(path)),
                      MessageButtons::YesNoCancel)) {
    case MessageAnswer::Yes:
      return TOverwriteAnswer::Yes;
    case MessageAnswer::No:
      return TOverwriteAnswer::No;
    default:
      return TOverwriteAnswer::Cancel;
  }
}

void TRunController::ResultAdded(const TListEntry& entry) {
  TListEntry result = entry;
  result.checked = false;
  m_widgets.result_entries->Append({result});
}

void TRunController::Finish(const TRunResult& result) {
  switch (result.end) {
    case TRunEnd::TargetFolderFailed:
      break;
    case TRunEnd::Cancelled:
      ShowMessage(MessageParent(), MessageType::Information,
                  QStringLiteral("Converteren is geannuleerd!"), MessageButtons::Ok);
      break;
    case TRunEnd::Completed:
      ShowFirstResult();
      m_widgets.result_entries->SetAllChecked(true);
      if (m_progress) m_progress->SetButtonCaption(QStringLiteral("OK"));
      break;
  }
  // An empty run in the photos' own folders leaves no folder behind.
  if (result.end != TRunEnd::TargetFolderFailed && !result.target_folder.empty())
    emit TargetFolderChanged(Text(result.target_folder));
  End(result.end);
}

// Only a fault outside the photos (such as memory running out) ends up here.
void TRunController::Fail(const QString& message) {
  fotoloom::ShowError(MessageParent(), message);
  if (m_progress) m_progress->SetButtonCaption(QStringLiteral("OK"));
  End(TRunEnd::Cancelled);
}

void TRunController::End(TRunEnd end) {
  m_running = false;
  emit BusyChanged(false);
  emit RunEnded(end);
}

void TRunController::ShowFirstResult() {
  if (m_widgets.result_entries->Count() == 0) return;
  // Selecting the entry also shows it in the step-3 preview, which follows the list.
  SelectOnly(m_widgets.results, 0);
  LoadPreview(m_widgets.step1_preview, m_widgets.result_entries->Entry(0).File(),
              Qt::SmoothTransformation);
}

// Messages of the run stand in front of its progress window, which stays on top.
QWidget* TRunController::MessageParent() {
  if (m_progress && m_progress->isVisible()) return m_progress;
  return m_widgets.window;
}

}  // namespace fotoloom
