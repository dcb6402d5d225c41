#include "gui/publish/DesktopMailLauncher.h"

#include <QDesktopServices>
#include <QProcess>
#include <QTimer>
#include <QUrl>
#include <QWidget>

#include "core/mail/DesktopMail.h"
#include "gui/common/Messages.h"

namespace fotoloom {

namespace {

// xdg-email may wait until a mail program it started closes; the command ends earlier.
constexpr int kWaitForMailProgramMs = 5000;

}  // namespace

TDesktopMailLauncher::TDesktopMailLauncher(QWidget* window) : QObject(window), m_window(window) {}

void TDesktopMailLauncher::Open(const TMailContent& content, const QString& photo_folder) {
  m_content = content;
  m_photo_folder = photo_folder;
  m_open = true;
  QStringList arguments;
  for (const std::string& argument : XdgEmailArguments(content))
    arguments << QString::fromStdString(argument);

  // The process is left to run when the command ends before it; it goes with the window.
  auto* process = new QProcess(m_window);
  m_process = process;
  process->setProcessChannelMode(QProcess::ForwardedChannels);
  connect(process, &QProcess::errorOccurred, this, [this, process](QProcess::ProcessError error) {
    if (error != QProcess::FailedToStart || process != m_process) return;
    process->deleteLater();
    FallBack();
  });
  connect(process, &QProcess::finished, this,
          [this, process](int exit_code, QProcess::ExitStatus status) {
            process->deleteLater();
            if (process != m_process || !m_open) return;
            if (status == QProcess::NormalExit && exit_code == 0)
              End();
            else
              FallBack();
          });
  QTimer::singleShot(kWaitForMailProgramMs, this, [this, process] {
    if (process == m_process && m_open) End();
  });
  process->start(QStringLiteral("xdg-email"), arguments);
}

void TDesktopMailLauncher::FallBack() {
  if (!m_open) return;
  m_process = nullptr;
  if (!QDesktopServices::openUrl(QUrl(QString::fromStdString(MailtoAddress(m_content))))) {
    ShowMessage(m_window, MessageType::Error,
                QStringLiteral("Kan uw e-mailprogramma niet starten. Controleer de "
                               "emailinstellingen."),
                MessageButtons::Ok);
    End();
    return;
  }
  ShowMessage(m_window, MessageType::Information,
              QStringLiteral("Uw e-mailprogramma is geopend zonder de foto's. Voeg ze zelf toe "
                             "vanuit de map die nu wordt geopend."),
              MessageButtons::Ok);
  QDesktopServices::openUrl(QUrl::fromLocalFile(m_photo_folder));
  End();
}

void TDesktopMailLauncher::End() {
  if (!m_open) return;
  m_open = false;
  m_process = nullptr;
  emit Finished();
}

}  // namespace fotoloom
