#pragma once

#include "core/publish/RemoteAccount.h"

class QWidget;

namespace fotoloom {

// Asks whether to trust a server whose certificate or host key is not known yet, showing
// its fingerprint; true when the user answers Yes.
bool AskToTrustServer(QWidget* parent, const TUnknownServer& server);

}  // namespace fotoloom
