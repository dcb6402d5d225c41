#include "gui/publish/TFormWebbrowser.h"

#include <QDesktopServices>
#include <QHBoxLayout>
#include <QPushButton>
#include <QTextBrowser>
#include <QTextDocument>
#include <QVBoxLayout>

#include "gui/common/WidgetHelpers.h"
#include "gui/common/WindowPlacement.h"
#include "gui/publish/FinishPage.h"

namespace fotoloom {

namespace {

bool OpensInBrowser(const QUrl& url) {
  const QString scheme = url.scheme();
  return scheme == QLatin1String("http") || scheme == QLatin1String("https") ||
         scheme == QLatin1String("mailto");
}

}  // namespace

TFormWebbrowser::TFormWebbrowser(QWidget* owner) : QDialog(owner) {
  setObjectName(QStringLiteral("FormWebbrowser"));
  setWindowTitle(QStringLiteral("Webbrowser"));
  WebBrowser1 = Named(new QTextBrowser(this), "WebBrowser1");
  // Links open in the desktop's browser; this window shows the one answer of the script.
  WebBrowser1->setOpenLinks(false);
  connect(WebBrowser1, &QTextBrowser::anchorClicked, this, [this](const QUrl& link) {
    const QUrl target = m_address.resolved(link);
    if (OpensInBrowser(target)) QDesktopServices::openUrl(target);
  });
  btnSluiten = Named(new QPushButton(QStringLiteral("Sluiten"), this), "btnSluiten");
  btnSluiten->setFixedSize(75, 25);
  connect(btnSluiten, &QPushButton::clicked, this, &QDialog::accept);

  auto* bottom = new QWidget(this);
  bottom->setFixedHeight(51);
  auto* buttons = new QHBoxLayout(bottom);
  buttons->addStretch();
  buttons->addWidget(btnSluiten);
  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);
  column->addWidget(WebBrowser1, 1);
  column->addWidget(bottom);
  resize(602, 501);
  CentreOnScreen(this);
}

void TFormWebbrowser::Navigate(const QString& url) {
  WebBrowser1->clear();
  m_address = QUrl(url);
  m_work.Replace(
      [url](const TBackgroundWork::TJob& job) {
        return PrepareFinishPage(url, [&job] { return job.Cancelled(); });
      },
      [this](const TFinishPage& page) {
        QTextDocument* document = WebBrowser1->document();
        document->setBaseUrl(page.address);
        for (const auto& [address, image] : page.images)
          document->addResource(QTextDocument::ImageResource, address, image);
        if (page.as_html)
          WebBrowser1->setHtml(page.text);
        else
          WebBrowser1->setPlainText(page.text);
      });
}

}  // namespace fotoloom
