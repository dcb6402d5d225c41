#include "gui/publish/FinishPage.h"

#include <QRegularExpression>
#include <QSet>

#include "core/base/Error.h"
#include "core/publish/ScriptRequest.h"

namespace fotoloom {

namespace {

// What a QTextBrowser lays out in well under a second. A finish page says "done" and shows
// a few pictures; anything beyond this is not laid out as HTML.
constexpr qsizetype kMaxHtmlBytes = 256 * 1024;
constexpr int kMaxTableDepth = 8;
constexpr int kMaxTableCells = 4000;
constexpr qsizetype kMaxPlainText = 64 * 1024;
constexpr int kMaxImages = 20;

bool TooComplex(const QString& html) {
  if (html.size() > kMaxHtmlBytes) return true;
  static const QRegularExpression tag(QStringLiteral("<(/?)(table|td|th)\\b"),
                                      QRegularExpression::CaseInsensitiveOption);
  int depth = 0;
  int cells = 0;
  for (auto match = tag.globalMatch(html); match.hasNext();) {
    const auto found = match.next();
    const bool table = found.captured(2).compare(QLatin1String("table"), Qt::CaseInsensitive) == 0;
    if (!table) {
      if (found.captured(1).isEmpty() && ++cells > kMaxTableCells) return true;
    } else if (found.captured(1).isEmpty()) {
      if (++depth > kMaxTableDepth) return true;
    } else if (depth > 0) {
      --depth;
    }
  }
  return false;
}

QString VisibleText(QString html) {
  static const QRegularExpression tags(QStringLiteral("<[^>]*>"));
  html.truncate(kMaxPlainText);
  return html.remove(tags).simplified();
}

QStringList ImageSources(const QString& html) {
  static const QRegularExpression image(
      QStringLiteral("<img\\b[^>]*?\\bsrc\\s*=\\s*(?:\"([^\"]*)\"|'([^']*)'|([^\\s>]+))"),
      QRegularExpression::CaseInsensitiveOption);
  QStringList sources;
  for (auto match = image.globalMatch(html); match.hasNext() && sources.size() < kMaxImages;) {
    const auto found = match.next();
    QString source = found.captured(1) + found.captured(2) + found.captured(3);
    if (!source.isEmpty() && !sources.contains(source)) sources << source;
  }
  return sources;
}

}  // namespace

TFinishPage PrepareFinishPage(const QString& url, const std::function<bool()>& stop) {
  TFinishPage page;
  page.address = QUrl(url);
  std::string body;
  try {
    body = FetchPage(url.toStdString(), stop);
  } catch (const Error& error) {
    page.text = QString::fromStdString(error.what());
    return page;
  }
  page.fetched = true;
  const QString html = QString::fromUtf8(body.data(), static_cast<qsizetype>(body.size()));
  if (TooComplex(html)) {
    page.text = QStringLiteral(
                    "De pagina van de website is te groot om te tonen. Het begin van "
                    "de tekst:\n\n") +
                VisibleText(html);
    return page;
  }
  page.as_html = true;
  page.text = html;
  for (const QString& source : ImageSources(html)) {
    if (stop && stop()) break;
    const QUrl address = page.address.resolved(QUrl(source));
    if (address.scheme() != QLatin1String("http") && address.scheme() != QLatin1String("https"))
      continue;
    try {
      const std::string bytes = FetchPage(address.toString().toStdString(), stop);
      QImage image;
      if (image.loadFromData(reinterpret_cast<const uchar*>(bytes.data()),
                             static_cast<int>(bytes.size())))
        page.images.append({address, image});
    } catch (const Error&) {
      // a picture that cannot be fetched stays out, as in any browser
    }
  }
  return page;
}

}  // namespace fotoloom
