#include "gui/window/MailCommand.h"

#include <QApplication>
#include <QPushButton>
#include <QStringList>
#include <QWidget>
#include <algorithm>

#include "core/base/Error.h"
#include "core/base/Path.h"
#include "core/mail/MailBudget.h"
#include "core/mail/SmtpMail.h"
#include "gui/common/Messages.h"
#include "gui/common/PhotoListModel.h"
#include "gui/publish/DesktopMailLauncher.h"
#include "gui/publish/TFormInstellingen.h"

namespace fotoloom {

namespace {

QString Text(const std::string& text) { return QString::fromStdString(text); }

QString PhotoCount(size_t count) {
  return count == 1 ? QStringLiteral("1 foto") : QStringLiteral("%1 foto's").arg(count);
}

uint64_t Budget(const TSettings& settings) {
  return static_cast<uint64_t>(std::max(1, settings.EmailMaxMB)) * kMailMegabyte;
}

}  // namespace

TMailCommand::TMailCommand(const TWidgets& widgets)
    : m_widgets(widgets), m_desktop_mail(new TDesktopMailLauncher(widgets.window)) {
  connect(m_widgets.mail, &QPushButton::clicked, this, &TMailCommand::BitBtn1Click);
  connect(m_desktop_mail, &TDesktopMailLauncher::Finished, this, &TMailCommand::End);
}

TMailCommand::~TMailCommand() {
  if (m_hourglass) QApplication::restoreOverrideCursor();
}

void TMailCommand::BitBtn1Click() {
  Guard(m_widgets.window, [this] {
    QWidget* window = m_widgets.window;
    if (m_busy) return;
    if (!m_widgets.results->HasCheckedEntries()) {
      ShowMessage(window, MessageType::Information,
                  QStringLiteral("Om te kunnen mailen moet u minimaal 1 foto aanvinken."),
                  MessageButtons::Ok);
      return;
    }
    if (ShowMessage(window, MessageType::Confirmation,
                    QStringLiteral("Wilt u nu alle aangevinkte foto's mailen?"),
                    MessageButtons::YesNo) != MessageAnswer::Yes)
      return;
    // Ends here on a return or an error; a send or a mail program started keeps it.
    auto busy = std::make_unique<BusyScope>(m_widgets.set_busy);
    TSettings& settings = *m_widgets.settings;
    if (!OpenSettingsDialog(TSettingsPage::Email, settings, m_widgets.save_settings, window))
      return;

    TMailContent content = CheckedPhotos();
    if (settings.EmailUseOutLook) {
      if (!content.attachments.empty() && EncodedMailSize(content) > Budget(settings))
        ShowMessage(window, MessageType::Information,
                    QStringLiteral("De foto's zijn samen groter dan %1 MB; de mailserver kan het "
                                   "bericht weigeren.")
                        .arg(settings.EmailMaxMB),
                    MessageButtons::Ok);
      m_busy = std::move(busy);
      m_desktop_mail->Open(content, m_widgets.target_folder());
      return;
    }
    if (SendBySmtp(content)) m_busy = std::move(busy);
  });
}

// The checked entries in list order, from the target folder, with the addresses and texts
// of the settings; files that are gone are left out.
TMailContent TMailCommand::CheckedPhotos() const {
  const TSettings& settings = *m_widgets.settings;
  const std::string folder = IncludeTrailingSeparator(m_widgets.target_folder().toStdString());
  std::vector<std::string> paths;
  for (const TListEntry& entry : m_widgets.results->Entries())
    if (entry.checked) paths.push_back(folder + entry.caption);
  const bool smtp = !settings.EmailUseOutLook;
  return {.from = settings.EmailFrom,
          .recipients = MailRecipients(smtp ? settings.EmailAddress + "," + settings.EmailCC
                                            : settings.EmailAddress),
          .subject = settings.EmailSubject,
          .body = settings.EmailBody,
          .attachments = ExistingFiles(paths)};
}

bool TMailCommand::SendBySmtp(const TMailContent& content) {
  const TSettings& settings = *m_widgets.settings;
  TSmtpServer server{.host = settings.EmailHost,
                     .port = MailPort(settings.EmailPort),
                     .security = settings.EmailSecurity,
                     .username = settings.EmailUsername,
                     .password = settings.EmailPassword};
  std::vector<TMailContent> mails;
  try {
    mails = SplitOverMails(content, Budget(settings));
  } catch (const TPhotoTooLargeError& error) {
    throw Error(std::string(error.what()) + " (" + std::to_string(settings.EmailMaxMB) + " MB).");
  }
  if (mails.size() > 1 &&
      ShowMessage(m_widgets.window, MessageType::Confirmation,
                  QStringLiteral("De foto's zijn samen groter dan %1 MB. Ze worden verdeeld over "
                                 "%2 e-mails. Wilt u doorgaan?")
                      .arg(settings.EmailMaxMB)
                      .arg(mails.size()),
                  MessageButtons::YesNo) != MessageAnswer::Yes)
    return false;

  QApplication::setOverrideCursor(Qt::WaitCursor);
  m_hourglass = true;
  m_send.Start(
      [server, mails](const TBackgroundWork::TJob& job) mutable {
        server.cancel = &job.CancelFlag();
        std::string failure;
        try {
          for (const TMailContent& mail : mails) SendSmtpMail(server, mail);
        } catch (const std::exception& error) {
          failure = error.what();
          if (failure.empty()) failure = "?";
        }
        return failure;
      },
      [this, content, count = static_cast<int>(mails.size())](const std::string& failure) {
        ShowSendResult(Text(failure), content, count);
      });
  return true;
}

void TMailCommand::ShowSendResult(const QString& failure, const TMailContent& content, int mails) {
  QApplication::restoreOverrideCursor();
  m_hourglass = false;
  if (!failure.isEmpty()) {
    ShowMessage(m_widgets.window, MessageType::Error,
                QStringLiteral("Er is een fout opgetreden tijdens het vesturen van het "
                               "emailbericht: ") +
                    failure,
                MessageButtons::Ok);
  } else {
    QStringList recipients;
    for (const std::string& address : content.recipients) recipients << Text(address);
    QString record = QStringLiteral("%1 verstuurd aan %2")
                         .arg(PhotoCount(content.attachments.size()), recipients.join(", "));
    if (mails > 1) record += QStringLiteral(" in %1 e-mails").arg(mails);
    ShowMessage(m_widgets.window, MessageType::Information,
                QStringLiteral("Emailbericht is succesvol verstuurd!\n\n") + record + '.',
                MessageButtons::Ok);
  }
  End();
}

void TMailCommand::End() {
  m_busy.reset();
  emit Finished();
}

}  // namespace fotoloom
