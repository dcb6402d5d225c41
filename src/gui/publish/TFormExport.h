#pragma once

#include <QDialog>

class QComboBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace fotoloom {

class TPhotoListModel;

// Turns the result list into text for a web page or another program: one line per photo,
// made from a template in which "<bestandsnaam>" stands for the photo's name.
class TFormExport : public QDialog {
  Q_OBJECT

 public:
  TFormExport(const TPhotoListModel& results, QWidget* owner);

 private:
  void comboSoortClick(int index);
  void BuildListClick();  // "OK"
  void CopyAllClick();    // "Alles kopieeren"

  const TPhotoListModel& m_results;
  QComboBox* comboSoort;
  QLineEdit* editScript;
  QPushButton* Button1;
  QPlainTextEdit* memoExport;
  QPushButton* Button2;
  QPushButton* btnClose;
};

}  // namespace fotoloom
