#pragma once

#include <QDialog>

class QCheckBox;

namespace fotoloom {

// The answer to the folder question of an add to the selection list.
struct TFolderAnswer {
  enum Choice {
    Add,   // "OK": scan the folders of this add
    Stop,  // "Annuleren": end the add
    Skip,  // closed any other way: pass over this folder, ask again at the next
  };
  Choice choice = Skip;
  bool include_subfolders = true;
};

// "Alle foto's kopieeren": asks whether the folders among the items being added are to be
// scanned for photos, and whether their sub-folders too. A new window for every question.
class TFormMessage2 : public QDialog {
  Q_OBJECT

 public:
  explicit TFormMessage2(QWidget* parent);

  // Shows the question modally and returns the answer.
  static TFolderAnswer Ask(QWidget* parent);

 private:
  QCheckBox* chkSubDirs;
};

}  // namespace fotoloom
