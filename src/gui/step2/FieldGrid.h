#pragma once

class QGridLayout;
class QWidget;

namespace fotoloom {

// Step 2's fields stand in several grids (the target folder, the size profile, the option
// panels), each with its labels in the first column. Aligned, those columns are one: every
// field starts at the same x, whatever the labels say.
QGridLayout* NewFieldGrid(QWidget* parent);
// Gives the first column of every field grid under `page` the width of its widest label.
void AlignFieldGrids(QWidget* page);

}  // namespace fotoloom
