#pragma once

#include <QString>
#include <QStringList>

namespace fotoloom {

// The value the upload run sees in custom mode; empty otherwise.
inline constexpr char kCustomModeValue[] = "KESTROVA";

// True when one argument (the program's own name excluded) is "-" or "/" followed by
// "custom=kestrova" in any letter case.
bool HasCustomModeSwitch(const QStringList& arguments);

// "Fotoloom", with " | Kestrova Custommode" appended in custom mode.
QString MainWindowCaption(bool custom_mode);

}  // namespace fotoloom
