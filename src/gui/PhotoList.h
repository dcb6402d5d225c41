#pragma once

class QTreeWidget;

namespace fotoloom {

// Sets up one of the two photo lists: columns "Bestandsnaam", "Grootte" (right-aligned) and
// "Pad" of 180, 70 and 200 pixels, whole rows selected, several at once, no in-place
// editing. The selection list adds a fourth, hidden column for the stored file name.
enum class StoredNameColumn { None, Hidden };
void SetUpPhotoList(QTreeWidget* list, StoredNameColumn stored_name);

}  // namespace fotoloom
