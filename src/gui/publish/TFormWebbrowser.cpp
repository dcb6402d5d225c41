#include "gui/publish/TFormWebbrowser.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QTextBrowser>
#include <QVBoxLayout>
#include <string>

#include "core/base/Error.h"
#include "core/publish/ScriptRequest.h"
#include "gui/common/WidgetHelpers.h"
#include "gui/common/WindowPlacement.h"

namespace fotoloom {

namespace {

struct TPage {
  bool fetched = false;
  std::string text;  // the page, or why it could not be fetched
};

}  // namespace

TFormWebbrowser::TFormWebbrowser(QWidget* owner) : QDialog(owner) {
  setObjectName(QStringLiteral("FormWebbrowser"));
  setWindowTitle(QStringLiteral("Webbrowser"));
  WebBrowser1 = Named(new QTextBrowser(this), "WebBrowser1");
  WebBrowser1->setOpenLinks(false);
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
  m_work.Replace(
      [address = url.toStdString()](const TBackgroundWork::TJob& job) {
        try {
          return TPage{true, FetchPage(address, [&job] { return job.Cancelled(); })};
        } catch (const Error& error) {
          return TPage{false, error.what()};
        }
      },
      [this](TPage page) {
        if (page.fetched)
          WebBrowser1->setHtml(QString::fromStdString(page.text));
        else
          WebBrowser1->setPlainText(QString::fromStdString(page.text));
      });
}

}  // namespace fotoloom
