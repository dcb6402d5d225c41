#pragma once

#include <QString>
#include <QStringList>
#include <QWidget>

#include "gui/MainMenus.h"

class QLabel;
class QProgressBar;
class QPushButton;
class QStackedWidget;
class QTabWidget;
class QToolButton;
class QTreeWidget;

namespace fotoloom {

// The main window: the wizard of steps 1 and 2 on the first page of `Notebook1`, the result
// list of step 3 on the second, `btnNext` at the bottom right. Closing it ends the program.
class TFormMain : public QWidget {
  Q_OBJECT

 public:
  // `data_folder` holds the settings file and is created when missing; `arguments` is the
  // command line without the program's own name.
  TFormMain(const QString& data_folder, const QStringList& arguments, QWidget* parent = nullptr);

  const QString& DataFolder() const { return m_data_folder; }
  const QStringList& Arguments() const { return m_arguments; }

  // Disables (busy) or enables the buttons that start an operation while one runs.
  void SetBusy(bool busy);
  // Enables or disables the six commands of step 3.
  void SetResultCommandsEnabled(bool enabled);

 private:
  QWidget* BuildStepsPage();
  QWidget* BuildResultPage();
  QWidget* BuildBottomBar();

  QString m_data_folder;
  QStringList m_arguments;
  MainMenus m_menus;

  QStackedWidget* Notebook1 = nullptr;
  QTabWidget* PageControl1 = nullptr;
  QWidget* TabSheet1 = nullptr;
  QWidget* TabSheet2 = nullptr;
  QTreeWidget* ListView1 = nullptr;
  QWidget* Panel10 = nullptr;
  QLabel* Image321 = nullptr;
  QLabel* Image323 = nullptr;
  QLabel* Image324 = nullptr;
  QTreeWidget* ListView3 = nullptr;
  QLabel* Image322 = nullptr;
  QToolButton* SpeedButton8 = nullptr;
  QToolButton* SpeedButton9 = nullptr;
  QPushButton* btnMapOpenen = nullptr;
  QPushButton* btnExtra = nullptr;
  QPushButton* btnUploaden = nullptr;
  QPushButton* btnMailen = nullptr;
  QPushButton* btnNext = nullptr;
  QProgressBar* ProgressBar1 = nullptr;
};

}  // namespace fotoloom
