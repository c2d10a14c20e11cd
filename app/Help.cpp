#include "Help.h"

#include "DataFiles.h"

#include <QPointer>
#include <QTextBrowser>
#include <QUrl>

namespace {
QPointer<QTextBrowser> window;

// The pages are installed beside the program (share/kestrum/help), not built into it, so that
// the desktop's help tools and the package can ship them as plain files.
QUrl pageUrl(HelpPage page)
{
    const QString index = kestrum::ui::dataFile(QStringLiteral("kestrum/help/index.html"));
    if (index.isEmpty())
        return {};
    QUrl url = QUrl::fromLocalFile(index);
    switch (page) {
    case HelpPage::Contents: break;
    case HelpPage::Topics: url.setFragment(QStringLiteral("topics")); break;
    case HelpPage::HowToUse: url = url.resolved(QUrl(QStringLiteral("using.html"))); break;
    }
    return url;
}
}  // namespace

void showHelp(HelpPage page)
{
    if (!window) {
        window = new QTextBrowser;
        window->setObjectName("HelpWindow");
        window->setAttribute(Qt::WA_DeleteOnClose);
        window->setWindowTitle("Kestrum Help");
        window->setOpenExternalLinks(false);
        window->resize(640, 560);
    }
    const QUrl url = pageUrl(page);
    if (url.isEmpty())
        window->setPlainText(QStringLiteral("The help pages are not installed: kestrum/help/index.html "
                                            "is in none of these folders:\n%1")
                                 .arg(kestrum::ui::dataFolders().join(u'\n')));
    else
        window->setSource(url);
    window->show();
    window->raise();
    window->activateWindow();
}

QTextBrowser* helpWindow()
{
    return window;
}

void closeHelp()
{
    delete window.data();
}
