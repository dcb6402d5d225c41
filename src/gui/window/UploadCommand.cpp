#include "gui/window/UploadCommand.h"

#include <QAction>
#include <QLocale>
#include <QPushButton>
#include <QWidget>

#include "core/publish/RemoteAccount.h"
#include "gui/common/HandlerGuard.h"
#include "gui/common/Messages.h"
#include "gui/common/PhotoListModel.h"
#include "gui/publish/UploadController.h"
#include "gui/run/TFormProgress.h"

namespace fotoloom {
namespace {

bool Blank(const std::string& text) {
  return QString::fromStdString(text).trimmed().isEmpty();
}

QString ByteText(qint64 bytes) {
  return QLocale().formattedDataSize(bytes, 1, QLocale::DataSizeTraditionalFormat);
}

}  // namespace

TUploadCommand::TUploadCommand(TRunGate& gate, const TWidgets& widgets)
    : m_gate(gate),
      m_widgets(widgets),
      m_controller(std::make_unique<TUploadController>(gate, widgets.window)) {
  connect(m_widgets.upload, &QPushButton::clicked, this, &TUploadCommand::btnUploadenClick);
  // The progress window stays on top of its owner: the settings dialog would open hidden
  // behind it. The run has ended with the failed connection, so the window goes.
  connect(m_controller.get(), &TUploadController::SettingsRequested, this, [this] {
    if (m_progress) m_progress->hide();
    m_widgets.ftp_settings->trigger();
  });
  connect(m_controller.get(), &TUploadController::StatusWritten, this, [this](const QString& text) {
    if (m_progress) m_progress->WriteStatus(text);
  });
  connect(m_controller.get(), &TUploadController::LogAppended, this, [this](const QString& line) {
    if (m_progress) m_progress->AppendLog(line);
  });
  connect(m_controller.get(), &TUploadController::Stepped, this, [this] {
    if (m_progress) m_progress->StepIt();
  });
  connect(m_controller.get(), &TUploadController::BytesSent, this,
          [this](qint64 sent, qint64 total) {
            if (!m_progress) return;
            m_progress->SetDetailText(sent == total ? QString()
                                                    : QStringLiteral("%1 van %2 verzonden")
                                                          .arg(ByteText(sent), ByteText(total)));
          });
  connect(m_controller.get(), &TUploadController::StatusCleared, this, [this] {
    if (m_progress) m_progress->SetStatusText(QString());
  });
  connect(m_controller.get(), &TUploadController::Finished, this, &TUploadCommand::End);
}

TUploadCommand::~TUploadCommand() = default;

TFormProgress* TUploadCommand::ProgressWindow() const {
  return m_progress;
}

bool TUploadCommand::Running() const {
  return m_controller->Running();
}

void TUploadCommand::btnUploadenClick() {
  Guard(m_widgets.window, [this] {
    QWidget* window = m_widgets.window;
    if (m_widgets.results->Count() == 0) {
      ShowMessage(window, MessageType::Information, QStringLiteral("Er zijn geen foto's aanwezig!"),
                  MessageButtons::Ok);
      return;
    }
    if (!m_widgets.results->HasCheckedEntries()) {
      ShowMessage(window, MessageType::Information,
                  QStringLiteral("Om te kunnen uploaden moet u minimaal 1 foto aanvinken."),
                  MessageButtons::Ok);
      return;
    }
    const TSettings& settings = *m_widgets.settings;
    if (Blank(settings.Host) || Blank(settings.Username) || Blank(settings.Password)) {
      if (ShowMessage(window, MessageType::Confirmation,
                      QStringLiteral("FTP gegevens zijn niet ingevuld. Wilt u nu de FTP gegevens "
                                     "instellen?"),
                      MessageButtons::YesNo) == MessageAnswer::Yes)
        m_widgets.ftp_settings->trigger();
      return;
    }
    if (ShowMessage(window, MessageType::Information,
                    QStringLiteral("Wilt u alle aangevinkte foto's nu uploaden naar de website?\n"
                                   "Tip: klik op Nee en vink de foto's uit die niet moeten "
                                   "worden ge-upload!"),
                    MessageButtons::YesNo) == MessageAnswer::No)
      return;
    if (m_widgets.custom_mode()) {
      TGroupValues group = m_group;
      if (!m_ask_group || !m_ask_group(group)) return;
      m_group = group;
    }
    Start();
  });
}

void TUploadCommand::Start() {
  const TSettings& settings = *m_widgets.settings;
  TUploadSettings upload;
  upload.account =
      MakeRemoteAccount(settings.Host, RemoteProtocolOf(settings.FtpProtocol), settings.Username,
                        settings.Password, settings.Startdir, settings.FtpPassive);
  upload.host_text = settings.Host;
  upload.script_line = settings.ScriptLine;
  upload.script = settings.Script;
  upload.trust_folder = m_widgets.trust_folder.toStdString();
  TUploadGroup group;
  if (m_widgets.custom_mode()) {
    group = {m_group.code.toStdString(), m_group.description.toStdString(),
             m_group.location.toStdString(),
             // What the site's script reads, the same on every machine.
             m_group.date.toString(QStringLiteral("dd-MM-yyyy")).toStdString(),
             m_group.add_to_group};
    upload.group = &group;
  }

  // A window of an earlier run left open would stop this run with its button.
  if (m_progress) m_progress->hide();
  m_progress = new TFormProgress(m_gate, m_widgets.window);
  m_progress->SetButtonCaption(QStringLiteral("Stoppen"));
  m_progress->SetStopQuestion(QStringLiteral("Weet u zeker dat u nu wilt stoppen met uploaden?"));
  m_progress->show();
  m_controller->SetMessageOwner(m_progress);
  m_gate.Reset();
  m_widgets.upload->setText(QStringLiteral("Stoppen"));
  m_widgets.set_busy(true);
  // Only the checked photos go out: the user unticks what must not be published.
  std::vector<TListEntry> photos;
  for (const TListEntry& entry : m_widgets.results->Entries())
    if (entry.checked) photos.push_back(entry);
  m_progress->SetMaximum(static_cast<int>(photos.size()));
  m_progress->SetPosition(0);
  m_progress->SetStep(1);
  m_controller->Start(std::move(photos), upload);
}

void TUploadCommand::End(TUploadEnd end) {
  if (m_progress) {
    m_progress->SetDetailText(QString());
    m_progress->SetButtonCaption(QStringLiteral("OK"));
  }
  m_widgets.upload->setText(QStringLiteral("Uploaden"));
  m_widgets.set_busy(false);
  emit Finished(end);
}

}  // namespace fotoloom
