#pragma once

#include <QObject>
#include <functional>

#include "core/settings/Settings.h"
#include "gui/common/Messages.h"

class QPushButton;
class QStackedWidget;
class QTabWidget;
class QWidget;

namespace fotoloom {

class TPhotoListModel;
class TStep2Panel;

// The parts of the main window that the wizard moves between and reads.
struct TWizardParts {
  QWidget* window = nullptr;
  QStackedWidget* Notebook1 = nullptr;  // page 0: steps 1 and 2; page 1: step 3
  QTabWidget* PageControl1 = nullptr;
  QWidget* TabSheet1 = nullptr;
  QWidget* TabSheet2 = nullptr;
  QPushButton* btnNext = nullptr;
  TPhotoListModel* selection = nullptr;  // the entries of the selection list
  TPhotoListModel* results = nullptr;    // the entries of the result list
  TStep2Panel* step2 = nullptr;
  TSettings* settings = nullptr;
  std::function<void(bool)> set_busy;
  std::function<void(bool)> set_result_commands_enabled;
  std::function<void()> save_settings;
};

// What `btnNext` does on each step: from step 1 to step 2 once there are photos; on step 2
// the checks, the confirmation, storing the profile and the settings and starting the run
// (or step 3 without converting); from step 3 back to step 1 ("Opnieuw beginnen"). The tab
// of step 2 stays hidden until Next first leaves step 1.
class TWizard : public QObject {
  Q_OBJECT

 public:
  explicit TWizard(TWizardParts parts);

  // Called once step 3 shows after a confirmed step 2: starts the conversion run.
  void SetStartRun(std::function<void()> start_run) { m_start_run = std::move(start_run); }

  void btnNextClick();

 private:
  void Restart();
  void NextOnStep1();
  void NextOnStep2();
  void ShowWithoutConverting();
  void Convert();
  void ShowStep2Tab();
  // A message with an OK button, then step 2 with the focus where the user has to act.
  void Refuse(MessageType type, const QString& text, QWidget* focus);

  TWizardParts m_parts;
  std::function<void()> m_start_run;
};

}  // namespace fotoloom
