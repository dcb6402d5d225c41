#pragma once

#include <QImage>
#include <QList>
#include <QPair>
#include <QString>
#include <QUrl>
#include <functional>

namespace fotoloom {

// The finish script's answer, made ready off the window's thread for a QTextBrowser: the
// page is fetched once, its images (relative to the page's address) are fetched and
// decoded, and a page too large or too deeply nested to lay out on the window's thread in
// a moment is shown as the beginning of its text instead.
struct TFinishPage {
  QUrl address;
  bool fetched = false;  // false: `text` says why the page could not be fetched
  bool as_html = false;
  QString text;                       // the HTML, or the plain text to show
  QList<QPair<QUrl, QImage>> images;  // by their whole address
};

TFinishPage PrepareFinishPage(const QString& url, const std::function<bool()>& stop);

}  // namespace fotoloom
