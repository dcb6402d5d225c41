#include "gui/publish/ServerTrustQuestion.h"

#include <QString>

#include "gui/common/Messages.h"

namespace fotoloom {

bool AskToTrustServer(QWidget* parent, const TUnknownServer& server) {
  const QString host = QString::fromStdString(server.host);
  // A certificate says why it is not trusted: the user weighs a self-signed certificate of
  // the own server differently from an expired one or one of another name.
  const QString what =
      server.host_key
          ? QStringLiteral("De hostsleutel van de server %1 is onbekend.").arg(host)
          : QStringLiteral("Het certificaat van de server %1 wordt niet vertrouwd: %2.")
                .arg(host, QString::fromStdString(server.doubt.empty() ? "het is onbekend"
                                                                       : server.doubt));
  const QString text = what + QStringLiteral("\nVingerafdruk: %1\n\nVertrouwt u deze server?")
                                  .arg(QString::fromStdString(server.fingerprint));
  return ShowMessage(parent, MessageType::Confirmation, text, MessageButtons::YesNo) ==
         MessageAnswer::Yes;
}

}  // namespace fotoloom
