#include "gui/window/MailCommand.h"

#include <QApplication>
#include <QLocale>
#include <QPushButton>
#include <QStringList>
#include <QWidget>
#include <algorithm>

#include "core/base/Error.h"
#include "core/mail/MailBudget.h"
#include "core/mail/SmtpMail.h"
#include "gui/common/Messages.h"
#include "gui/common/PhotoListModel.h"
#include "gui/publish/DesktopMailLauncher.h"
#include "gui/publish/ServerTrustQuestion.h"
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
  connect(m_desktop_mail, &TDesktopMailLauncher::CannotStart, this, &TMailCommand::OfferSmtp);
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
    // A photo that is gone is reported before the user fills in the mail.
    std::vector<std::string> photos = CheckedFiles();
    if (!OpenSettingsDialog(TSettingsPage::Email, settings, m_widgets.save_settings, window))
      return;

    TMailContent content = MailOf(std::move(photos), !settings.EmailUseOutLook);
    if (settings.EmailUseOutLook) {
      if (!content.attachments.empty() && EncodedMailSize(content) > Budget(settings))
        ShowMessage(window, MessageType::Information,
                    QStringLiteral("De foto's zijn samen groter dan %1 MB; de mailserver kan het "
                                   "bericht weigeren.")
                        .arg(settings.EmailMaxMB),
                    MessageButtons::Ok);
      m_busy = std::move(busy);
      m_desktop_mail->Open(content);
      return;
    }
    if (SendBySmtp(content)) m_busy = std::move(busy);
  });
}

// The files of the checked entries in list order. A checked file that is gone stops the
// command: a mail without it would look complete to the recipient.
std::vector<std::string> TMailCommand::CheckedFiles() const {
  std::vector<std::string> paths;
  for (const TListEntry& entry : m_widgets.results->Entries())
    if (entry.checked) paths.push_back(entry.File());
  const std::vector<std::string> missing = MissingFiles(paths);
  if (!missing.empty()) {
    std::string names;
    for (const std::string& path : missing) names += (names.empty() ? "\"" : ", \"") + path + "\"";
    throw Error((missing.size() == 1 ? "Deze aangevinkte foto bestaat niet meer: "
                                     : "Deze aangevinkte foto's bestaan niet meer: ") +
                names + ". Er is niets gemaild.");
  }
  return paths;
}

// The photos with the addresses and texts of the settings; the copy goes by SMTP only.
TMailContent TMailCommand::MailOf(std::vector<std::string> photos, bool smtp) const {
  const TSettings& settings = *m_widgets.settings;
  return {.from = settings.EmailFrom,
          .recipients = MailRecipients(smtp ? settings.EmailAddress + "," + settings.EmailCC
                                            : settings.EmailAddress),
          .subject = settings.EmailSubject,
          .body = settings.EmailBody,
          .attachments = std::move(photos)};
}

bool TMailCommand::SendBySmtp(const TMailContent& content) {
  const TSettings& settings = *m_widgets.settings;
  TSmtpServer server{.host = settings.EmailHost,
                     .port = MailPort(settings.EmailPort),
                     .security = settings.EmailSecurity,
                     .username = settings.EmailUsername,
                     .password = settings.EmailPassword,
                     .plain_login_confirmed = settings.EmailPlainLogin,
                     .trust_folder = m_widgets.trust_folder.toStdString()};
  std::vector<TMailContent> mails;
  try {
    mails = SplitOverMails(content, Budget(settings));
  } catch (const TPhotoTooLargeError& error) {
    // A photo of 1.6 MB against a budget of 2 MB needs the reason: the encoding of mail.
    ShowMessage(
        m_widgets.window, MessageType::Error,
        QStringLiteral("De foto \"%1\" (%2) is groter dan de maximale grootte per e-mail "
                       "(%3 MB): in een e-mail wordt een foto ongeveer een derde groter.")
            .arg(Text(error.name), QLocale().formattedDataSize(static_cast<qint64>(error.bytes), 1,
                                                               QLocale::DataSizeSIFormat))
            .arg(settings.EmailMaxMB),
        MessageButtons::Ok);
    return false;
  }
  if (mails.size() > 1 &&
      ShowMessage(m_widgets.window, MessageType::Confirmation,
                  QStringLiteral("De foto's zijn samen groter dan %1 MB. Ze worden verdeeld over "
                                 "%2 e-mails. Wilt u doorgaan?")
                      .arg(settings.EmailMaxMB)
                      .arg(mails.size()),
                  MessageButtons::YesNo) != MessageAnswer::Yes)
    return false;
  Send({.server = server, .content = content, .mails = std::move(mails)});
  return true;
}

void TMailCommand::Send(TSmtpSend send) {
  QApplication::setOverrideCursor(Qt::WaitCursor);
  m_hourglass = true;
  m_send.Start(
      [work = std::move(send),
       window = m_widgets.window](const TBackgroundWork::TJob& job) mutable {
        work.server.cancel = &job.CancelFlag();
        work.server.trust = [&job, window](const TUnknownServer& server) {
          return job.Ask<bool>([window, server] { return AskToTrustServer(window, server); })
              .value_or(false);
        };
        try {
          for (; work.sent < work.mails.size(); ++work.sent)
            SendSmtpMail(work.server, work.mails[work.sent]);
        } catch (const std::exception& error) {
          work.failure = error.what();
          if (work.failure.empty()) work.failure = "?";
        }
        // The result outlives the job.
        work.server.cancel = nullptr;
        work.server.trust = nullptr;
        return work;
      },
      [this](const TSmtpSend& result) { ShowSendResult(result); });
}

void TMailCommand::ShowSendResult(const TSmtpSend& send) {
  QApplication::restoreOverrideCursor();
  m_hourglass = false;
  QWidget* window = m_widgets.window;
  const QString failure =
      QStringLiteral("Er is een fout opgetreden tijdens het vesturen van het emailbericht: %1")
          .arg(Text(send.failure));
  if (!send.failure.empty() && send.mails.size() > 1) {
    // The mails that went out are not sent again.
    const QString question =
        QStringLiteral("%1\n\n%2 van %3 e-mails verstuurd. Wilt u de overige e-mails nu versturen?")
            .arg(failure)
            .arg(send.sent)
            .arg(send.mails.size());
    if (ShowMessage(window, MessageType::Error, question, MessageButtons::YesNo) ==
        MessageAnswer::Yes) {
      TSmtpSend rest = send;
      rest.failure.clear();
      Send(std::move(rest));
      return;
    }
  } else if (!send.failure.empty()) {
    ShowMessage(window, MessageType::Error, failure, MessageButtons::Ok);
  } else {
    QStringList recipients;
    for (const std::string& address : send.content.recipients) recipients << Text(address);
    QString record = QStringLiteral("%1 verstuurd aan %2")
                         .arg(PhotoCount(send.content.attachments.size()), recipients.join(", "));
    if (send.mails.size() > 1) record += QStringLiteral(" in %1 e-mails").arg(send.mails.size());
    ShowMessage(window, MessageType::Information,
                QStringLiteral("Emailbericht is succesvol verstuurd!\n\n") + record + '.',
                MessageButtons::Ok);
  }
  End();
}

// Neither the mail program nor a "mailto:" address could be opened: the mail server of the
// settings is the other road, when no other command is under way.
void TMailCommand::OfferSmtp(const TMailContent& content) {
  Guard(m_widgets.window, [this, &content] {
    const QString failure =
        QStringLiteral("Kan uw e-mailprogramma niet starten. Controleer de emailinstellingen.");
    if (m_busy) {
      ShowMessage(m_widgets.window, MessageType::Error, failure, MessageButtons::Ok);
      return;
    }
    const QString question = failure + QStringLiteral(
                                           "\n\nWilt u de foto's versturen via de "
                                           "mailserver van de emailinstellingen?");
    if (ShowMessage(m_widgets.window, MessageType::Error, question, MessageButtons::YesNo) !=
        MessageAnswer::Yes)
      return;
    auto busy = std::make_unique<BusyScope>(m_widgets.set_busy);
    if (SendBySmtp(MailOf(content.attachments, true))) m_busy = std::move(busy);
  });
}

void TMailCommand::End() {
  m_busy.reset();
  emit Finished();
}

}  // namespace fotoloom
