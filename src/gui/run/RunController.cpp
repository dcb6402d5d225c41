#include "gui/run/RunController.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QTreeWidget>
#include <optional>

#include "core/base/Path.h"
#include "gui/common/Messages.h"
#include "gui/common/PhotoList.h"
#include "gui/common/PreviewLoader.h"
#include "gui/window/TFormMain.h"
#include "gui/run/TFormProgress.h"

namespace fotoloom {
namespace {

QString Text(const std::string& text) {
  return QString::fromStdString(text);
}

// The view the run calls on its own thread: every call is carried over to the window's
// view; a message or a question waits there for the user. Once the window is going, the
// calls are dropped and the run is stopped.
class TQueuedRunView : public IRunView {
 public:
  TQueuedRunView(TWindowPost& post, IRunView& window, TRunGate& gate)
      : m_post(post), m_window(window), m_gate(gate) {}

  void ShowError(const std::string& text) override {
    // Waiting keeps one message at a time on the screen, in the run's order.
    const auto shown = m_post.Ask<bool>([&window = m_window, text] {
      window.ShowError(text);
      return true;
    });
    if (!shown) m_gate.Cancel();
  }
  void RunStarted(int photo_count) override {
    Post([&window = m_window, photo_count] { window.RunStarted(photo_count); });
  }
  void StatusLine(const std::string& text) override {
    Post([&window = m_window, text] { window.StatusLine(text); });
  }
  void PhotoReported(const TPhotoReport& report) override {
    Post([&window = m_window, report] { window.PhotoReported(report); });
  }
  void StepProgress() override {
    Post([&window = m_window] { window.StepProgress(); });
  }
  TOverwriteAnswer AskOverwrite(const std::string& path) override {
    const auto answer = m_post.Ask<TOverwriteAnswer>(
        [&window = m_window, path] { return window.AskOverwrite(path); });
    return answer.value_or(TOverwriteAnswer::Cancel);
  }
  void ResultAdded(const TListEntry& entry) override {
    Post([&window = m_window, entry] { window.ResultAdded(entry); });
  }

 private:
  void Post(std::function<void()> work) {
    if (!m_post.Post(std::move(work))) m_gate.Cancel();
  }

  TWindowPost& m_post;
  IRunView& m_window;  // the lambdas hold this, not the view, which ends with the thread
  TRunGate& m_gate;
};

}  // namespace

TRunController::TRunController(TFormMain& main, const TWidgets& widgets)
    : m_main(main), m_widgets(widgets) {}

TRunController::~TRunController() {
  m_main.RunGate().Cancel();
  m_post.Detach();
  if (m_thread.joinable()) m_thread.join();
}

TFormProgress* TRunController::ProgressWindow() const {
  return m_progress;
}

bool TRunController::Start(std::vector<TListEntry> photos, const TRunSettings& settings) {
  if (Running()) return false;
  m_settings = settings;
  // Busy at once, so that nothing starts a second run before this one has begun.
  m_main.SetBusy(true);
  TRunGate& gate = m_main.RunGate();
  m_thread = std::thread([this, &gate, photos = std::move(photos), settings] {
    TQueuedRunView view(m_post, *this, gate);
    std::optional<TRunResult> result;
    std::string error;
    try {
      result = TConversionRun(view, gate).Run(photos, settings);
    } catch (const std::exception& e) {
      error = e.what();
    } catch (...) {
      error = "Onbekende fout";
    }
    m_post.Post([this, result, error] {
      m_thread.join();  // its last act was this post
      if (result)
        Finish(*result);
      else
        Fail(Text(error));
    });
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
    if (auto* field = m_main.findChild<QLineEdit*>(QStringLiteral("editExportMap")))
      field->setText(Text(IncludeTrailingSeparator(m_settings.folder_field)));
  }
  // A window of an earlier run left open would stop this run with its button.
  if (m_progress) m_progress->hide();
  m_progress = new TFormProgress(m_main.RunGate(), &m_main);
  m_progress->SetMaximum(photo_count);
  m_progress->SetPosition(0);
  m_progress->SetStep(1);
  m_progress->show();
  m_widgets.results->clear();
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
  AppendPhotoEntry(m_widgets.results, entry, CheckBoxes::Shown);
}

void TRunController::Finish(const TRunResult& result) {
  switch (result.end) {
    case TRunEnd::TargetFolderFailed:
      m_widgets.pages->setCurrentIndex(0);
      if (auto* field = m_main.findChild<QLineEdit*>(QStringLiteral("editExportMap")))
        field->setFocus();
      break;
    case TRunEnd::Cancelled:
      ShowMessage(MessageParent(), MessageType::Information,
                  QStringLiteral("Converteren is geannuleerd!"), MessageButtons::Ok);
      break;
    case TRunEnd::Completed:
      ShowFirstResult();
      for (int i = 0; i < m_widgets.results->topLevelItemCount(); ++i)
        m_widgets.results->topLevelItem(i)->setCheckState(0, Qt::Checked);
      if (m_progress) m_progress->SetButtonCaption(QStringLiteral("OK"));
      m_main.SetResultCommandsEnabled(true);
      break;
  }
  // An empty run in the photos' own folders leaves no folder behind.
  if (result.end != TRunEnd::TargetFolderFailed && !result.target_folder.empty())
    m_main.SetTargetFolder(Text(result.target_folder));
  m_main.SetBusy(false);
  emit RunEnded(result.end);
}

// Only a fault outside the photos (such as memory running out) ends up here.
void TRunController::Fail(const QString& message) {
  fotoloom::ShowError(MessageParent(), message);
  if (m_progress) m_progress->SetButtonCaption(QStringLiteral("OK"));
  m_main.SetBusy(false);
  emit RunEnded(TRunEnd::Cancelled);
}

void TRunController::ShowFirstResult() {
  QTreeWidgetItem* first = m_widgets.results->topLevelItem(0);
  if (!first) return;
  m_widgets.results->setCurrentItem(first);
  const std::string file = PhotoEntryOf(first).File();
  LoadPreview(m_widgets.step1_preview, file, Qt::SmoothTransformation);
  LoadPreview(m_widgets.step3_preview, file, Qt::FastTransformation);
}

// Messages of the run stand in front of its progress window, which stays on top.
QWidget* TRunController::MessageParent() {
  if (m_progress && m_progress->isVisible()) return m_progress;
  return &m_main;
}

}  // namespace fotoloom
