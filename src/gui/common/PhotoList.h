#pragma once

#include "core/lists/ListEntry.h"

class QTreeWidget;
class QTreeWidgetItem;

namespace fotoloom {

// Sets up one of the two photo lists: columns "Bestandsnaam", "Grootte" (right-aligned) and
// "Pad" of 180, 70 and 200 pixels, whole rows selected, several at once, no in-place
// editing. The selection list adds a fourth, hidden column for the stored file name.
enum class StoredNameColumn { None, Hidden };
void SetUpPhotoList(QTreeWidget* list, StoredNameColumn stored_name);

// Appends a row for the entry: caption, size text (right-aligned) and folder; the stored name
// is kept with the row (and shown in the hidden column where the list has one). Rows of a
// list with check boxes carry the entry's check mark.
enum class CheckBoxes { None, Shown };
// A row for the entry, not yet in the list (append many at once with addTopLevelItems).
QTreeWidgetItem* NewPhotoItem(const QTreeWidget* list, const TListEntry& entry,
                              CheckBoxes check_boxes = CheckBoxes::None);
QTreeWidgetItem* AppendPhotoEntry(QTreeWidget* list, const TListEntry& entry,
                                  CheckBoxes check_boxes = CheckBoxes::None);

// The entry a row stands for.
TListEntry PhotoEntryOf(const QTreeWidgetItem* item);

}  // namespace fotoloom
