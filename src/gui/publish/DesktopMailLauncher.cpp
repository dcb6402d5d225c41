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

// xdg-email and xdg-open may wait until the mail program they started closes; the command
// ends earlier.
constexpr int kWaitForMailProgramMs = 5000;

QString FolderOf(const std::string& path) {
  const QString file = QString::fromStdString(path);
  return file.left(file.lastIndexOf(u'/') + 1);
}

}  // namespace

TDesktopMailLauncher::TDesktopMailLauncher(QWidget* window) : QObject(window), m_window(window) {}

void TDesktopMailLauncher::Open(const TMailContent& content) {
  const int attempt = ++m_attempt;
  m_open = true;
  QTimer::singleShot(kWaitForMailProgramMs, this, [this, attempt] { End(attempt); });
  QStringList arguments;
  for (const std::string& argument : XdgEmailArguments(content))
    arguments << QString::fromStdString(argument);
  Run(QStringLiteral("xdg-email"), arguments, [this, attempt, content](bool opened) {
    if (opened)
      End(attempt);
    else
      OpenMailto(attempt, content);
  });
}

void TDesktopMailLauncher::Run(const QString& program, const QStringList& arguments,
                               std::function<void(bool)> done) {
  // A process still running when the window closes goes with it.
  auto* process = new QProcess(this);
  process->setProcessChannelMode(QProcess::ForwardedChannels);
  const auto report = [process, done](bool succeeded) {
    process->deleteLater();
    done(succeeded);
  };
  connect(process, &QProcess::errorOccurred, this, [report](QProcess::ProcessError error) {
    if (error == QProcess::FailedToStart) report(false);
  });
  connect(process, &QProcess::finished, this, [report](int exit_code, QProcess::ExitStatus status) {
    report(status == QProcess::NormalExit && exit_code == 0);
  });
  process->start(program, arguments);
}

void TDesktopMailLauncher::OpenMailto(int attempt, const TMailContent& content) {
  const QString address = QString::fromStdString(MailtoAddress(content));
  Run(QStringLiteral("xdg-open"), {address}, [this, attempt, content](bool opened) {
    if (!opened) {
      End(attempt);
      emit CannotStart(content);
      return;
    }
    ShowMessage(m_window, MessageType::Information,
                QStringLiteral("Uw e-mailprogramma is geopend zonder de foto's. Voeg ze zelf toe "
                               "vanuit de map die nu wordt geopend."),
                MessageButtons::Ok);
    QDesktopServices::openUrl(QUrl::fromLocalFile(FolderOf(content.attachments.front())));
    End(attempt);
  });
}

void TDesktopMailLauncher::End(int attempt) {
  if (attempt != m_attempt || !m_open) return;
  m_open = false;
  emit Finished();
}

}  // namespace fotoloom
