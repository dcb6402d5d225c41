#pragma once

class QHeaderView;

namespace fotoloom {

// Columns that use the list's whole width: each column but the last is as wide as its
// widest text in sight, and the last visible one takes the rest.
void FitColumnsToContents(QHeaderView* header);

}  // namespace fotoloom
