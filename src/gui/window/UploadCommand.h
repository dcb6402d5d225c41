#pragma once

#include <QDate>
#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>

#include "core/convert/RunGate.h"
#include "core/publish/UploadRun.h"
#include "core/settings/Settings.h"

class QAction;
class QPushButton;
class QWidget;

namespace fotoloom {

class TFormProgress;
class TPhotoListModel;
class TUploadController;

// The group of a custom-mode upload as the user last confirmed it; kept while the program
// runs, never stored.
struct TGroupValues {
  QString code, description, location;
  QDate date;  // null until the first group upload
  bool add_to_group = false;
};

// "Foto's uploaden ": the checks before an upload, the group of the custom mode, and the
// run with its own progress window.
class TUploadCommand : public QObject {
  Q_OBJECT

 public:
  struct TWidgets {
    QWidget* window;  // owns the progress windows; messages stand before it
    TPhotoListModel* results;
    QPushButton* upload;     // btnUploaden
    QAction* ftp_settings;   // FTPgegevensinstellen
    TSettings* settings;
    QString trust_folder;    // accepted certificates and host keys
    std::function<bool()> custom_mode;  // true in the custom mode
    std::function<void(bool)> set_busy;
  };
  // Shows the group values on the website page of the settings dialog; true when the user
  // confirmed them (they are then changed), false when the dialog was closed otherwise.
  using TAskGroup = std::function<bool(TGroupValues& group)>;

  TUploadCommand(TRunGate& gate, const TWidgets& widgets);
  ~TUploadCommand() override;

  void SetAskGroup(TAskGroup ask) { m_ask_group = std::move(ask); }
  const TGroupValues& Group() const { return m_group; }
  TFormProgress* ProgressWindow() const;
  bool Running() const;

  void btnUploadenClick();

 signals:
  void Finished(fotoloom::TUploadEnd end);

 private:
  void Start();
  void End(TUploadEnd end);

  TRunGate& m_gate;
  TWidgets m_widgets;
  TAskGroup m_ask_group;
  TGroupValues m_group;
  QPointer<TFormProgress> m_progress;
  std::unique_ptr<TUploadController> m_controller;
};

}  // namespace fotoloom
