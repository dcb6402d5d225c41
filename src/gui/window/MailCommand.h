#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <memory>

#include "core/mail/MailContent.h"
#include "core/mail/SmtpMail.h"
#include "core/settings/Settings.h"
#include "gui/common/BackgroundWork.h"
#include "gui/common/HandlerGuard.h"

class QPushButton;
class QWidget;

namespace fotoloom {

class TDesktopMailLauncher;
class TPhotoListModel;

// "Foto's mailen ": the checked photos of the result list as attachments, through the
// desktop's mail program or the built-in SMTP client, after the user confirmed and filled
// in the mail. The buttons stay busy from the confirmation until the mail is out.
class TMailCommand : public QObject {
  Q_OBJECT

 public:
  struct TWidgets {
    QWidget* window;  // messages stand before it
    TPhotoListModel* results;
    QPushButton* mail;  // btnMailen
    TSettings* settings;
    QString trust_folder;  // accepted certificates
    std::function<void(bool)> set_busy;
    std::function<void()> save_settings;
  };

  explicit TMailCommand(const TWidgets& widgets);
  ~TMailCommand() override;

  void BitBtn1Click();

 signals:
  // The command has ended, whatever came of it.
  void Finished();

 private:
  // A send over SMTP: the mails of one content, of which the first `sent` went out.
  struct TSmtpSend {
    TSmtpServer server;
    TMailContent content;
    std::vector<TMailContent> mails;
    size_t sent = 0;
    std::string failure;  // empty when all went out
  };

  std::vector<std::string> CheckedFiles() const;
  TMailContent MailOf(std::vector<std::string> photos, bool smtp) const;
  // Starts the send off the window's thread; false when the user declined the split.
  bool SendBySmtp(const TMailContent& content);
  // Sends the mails not yet sent.
  void Send(TSmtpSend send);
  void ShowSendResult(const TSmtpSend& send);
  void OfferSmtp(const TMailContent& content);
  void End();

  TWidgets m_widgets;
  std::unique_ptr<BusyScope> m_busy;  // from the confirmation to the end
  bool m_hourglass = false;
  TDesktopMailLauncher* m_desktop_mail;
  // Last: a send still running is cancelled and waited for first.
  TBackgroundWork m_send{this};
};

}  // namespace fotoloom
