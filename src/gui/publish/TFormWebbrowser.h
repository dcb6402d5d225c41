#pragma once

#include <QDialog>
#include <QUrl>

#include "gui/common/BackgroundWork.h"

class QPushButton;
class QTextBrowser;

namespace fotoloom {

// Shows the page of the finish script after an upload: the page is fetched once off the
// window's thread with its images and shown as HTML (no scripts run; links open in the
// desktop's browser); a page that cannot be fetched shows why instead, and one too large to
// lay out shows the beginning of its text.
class TFormWebbrowser : public QDialog {
  Q_OBJECT

 public:
  explicit TFormWebbrowser(QWidget* owner);

  // Fetches the page at the address and shows it when it arrives.
  void Navigate(const QString& url);

 private:
  QUrl m_address;  // of the page shown, for its relative links
  QTextBrowser* WebBrowser1;
  QPushButton* btnSluiten;
  TBackgroundWork m_work{this};
};

}  // namespace fotoloom
