#include "Help.h"

#include <QPointer>
#include <QTextBrowser>
#include <QUrl>

static void initHelpResources()
{
    // The pages live in a static library: make sure its resources are registered.
    Q_INIT_RESOURCE(help);
}

namespace {
QPointer<QTextBrowser> window;

QUrl pageUrl(HelpPage page)
{
    switch (page) {
    case HelpPage::Contents: return QUrl("qrc:/help/index.html");
    case HelpPage::Topics: return QUrl("qrc:/help/index.html#topics");
    case HelpPage::HowToUse: return QUrl("qrc:/help/using.html");
    }
    return QUrl("qrc:/help/index.html");
}
}  // namespace

void showHelp(HelpPage page)
{
    if (!window) {
        initHelpResources();
        window = new QTextBrowser;
        window->setObjectName("HelpWindow");
        window->setAttribute(Qt::WA_DeleteOnClose);
        window->setWindowTitle("Kestrum Help");
        window->setOpenExternalLinks(false);
        window->resize(640, 560);
    }
    window->setSource(pageUrl(page));
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
