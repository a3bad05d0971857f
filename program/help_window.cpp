// The help window.
#include "program/help_window.h"

#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QTextBrowser>
#include <QUrl>

#include "core/message.h"
#include "core/str_cache.h"

namespace nw {
namespace {

constexpr std::uint32_t STR_PRODUCT = 50000;
constexpr std::uint32_t STR_WARNING_CAPTION = 50010;
constexpr std::uint32_t STR_HELP_FAILED = 50024;
constexpr int HELP_WIDTH = 640;
constexpr int HELP_HEIGHT = 560;

QPointer<QTextBrowser> g_help;  // window thread's

bool readable(const QString& path) {
  QFile file(path);
  return QFileInfo(path).isFile() && file.open(QIODevice::ReadOnly) && file.size() > 0;
}

}  // namespace

std::string help_path(const std::string& dbpath) { return dbpath + HELP_FILE; }

int help_show(const std::string& dbpath) {
  const QString path = QString::fromStdString(help_path(dbpath));
  if (!readable(path)) {
    message_show(message{str_text(STR_HELP_FAILED), str_text(STR_WARNING_CAPTION), message_icon::stop});
    return -1;
  }
  if (g_help.isNull()) {
    g_help = new QTextBrowser();
    g_help->setAttribute(Qt::WA_DeleteOnClose);
    g_help->setOpenExternalLinks(true);
    g_help->resize(HELP_WIDTH, HELP_HEIGHT);
  }
  // The name is no HTML name: say what it holds.
  g_help->setSource(QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()), QTextDocument::HtmlResource);
  const QString title = g_help->documentTitle();
  g_help->setWindowTitle(title.isEmpty() ? QString::fromUtf8(str_text(STR_PRODUCT)) : title);
  g_help->show();
  g_help->raise();
  g_help->activateWindow();
  return 1;
}

QTextBrowser* help_window() { return g_help.data(); }

void help_close() { delete g_help.data(); }

}  // namespace nw
