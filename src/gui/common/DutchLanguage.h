#pragma once

#include <QLocale>

namespace fotoloom {

// The program speaks Dutch whatever the system's language: this loads Qt's own Dutch
// translations, so that the file, folder and colour dialogs, the standard buttons and the
// context menu of every text field are Dutch too. Call it once the application exists.
// False when the translations are not installed; the program then goes on in English there.
bool UseDutchLanguage();

// Dates and collation in Dutch. Numbers keep the user's regional settings (QLocale()).
QLocale DutchLocale();

}  // namespace fotoloom
