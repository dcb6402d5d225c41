#pragma once

#include <QDialog>

#include "gui/common/BackgroundWork.h"

class QPushButton;
class QTextBrowser;

namespace fotoloom {

// Shows the page of the finish script after an upload: the page is fetched off the
// window's thread and shown as HTML (no scripts run); a page that cannot be fetched shows
// why instead.
class TFormWebbrowser : public QDialog {
  Q_OBJECT

 public:
  explicit TFormWebbrowser(QWidget* owner);

  // Fetches the page at the address and shows it when it arrives.
  void Navigate(const QString& url);

 private:
  QTextBrowser* WebBrowser1;
  QPushButton* btnSluiten;
  TBackgroundWork m_work{this};
};

}  // namespace fotoloom
