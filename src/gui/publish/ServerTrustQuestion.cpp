#include "gui/publish/ServerTrustQuestion.h"

#include <QString>

#include "gui/common/Messages.h"

namespace fotoloom {

bool AskToTrustServer(QWidget* parent, const TUnknownServer& server) {
  const QString what = server.host_key ? QStringLiteral("De hostsleutel van de server %1")
                                       : QStringLiteral("Het certificaat van de server %1");
  const QString text = what.arg(QString::fromStdString(server.host)) +
                       QStringLiteral(" is onbekend.\nVingerafdruk: %1\n\nVertrouwt u deze server?")
                           .arg(QString::fromStdString(server.fingerprint));
  return ShowMessage(parent, MessageType::Confirmation, text, MessageButtons::YesNo) ==
         MessageAnswer::Yes;
}

}  // namespace fotoloom
