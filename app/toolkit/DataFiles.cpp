#include "DataFiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QStringList>

namespace kestrum::ui {

QStringList dataFolders()
{
    QStringList folders;
    // An installation under any prefix, and the build tree, which mirrors that layout.
    if (QCoreApplication::instance())
        folders << QDir::cleanPath(QCoreApplication::applicationDirPath() + QStringLiteral("/../share"));
    for (const QString& f : QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation))
        if (!folders.contains(f))
            folders << f;
    return folders;
}

QString dataFile(const QString& relative)
{
    for (const QString& folder : dataFolders()) {
        const QFileInfo file(folder + u'/' + relative);
        if (file.isFile())
            return file.absoluteFilePath();
    }
    return {};
}

}  // namespace kestrum::ui
