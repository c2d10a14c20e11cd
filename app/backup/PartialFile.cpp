#include "PartialFile.h"

#include "BackupError.h"

#include <QDir>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kestrum::backup {
namespace {

QString systemError(const QString& what, const QString& path) {
    return QStringLiteral("%1 \"%2\": %3").arg(what, QDir::toNativeSeparators(path), QString::fromLocal8Bit(std::strerror(errno)));
}

void syncFolder(const QString& folder) {
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY);
    if (fd < 0) return;  // the rename itself has happened; a folder we cannot open cannot be flushed
    ::fsync(fd);
    ::close(fd);
}

}  // namespace

PartialFile::PartialFile(const QString& target) : target_(QFileInfo(target).absoluteFilePath()) {
    const QFileInfo info(target_);
    QByteArray pattern =
        QFile::encodeName(info.absolutePath() + QStringLiteral("/.") + info.fileName() + QStringLiteral(".partial-XXXXXX"));
    const int fd = ::mkstemp(pattern.data());  // mode 0600 whatever the umask
    if (fd < 0) throw BackupError(systemError(QStringLiteral("Cannot write in the folder"), info.absolutePath()));
    ::close(fd);
    temp_ = QFile::decodeName(pattern);
}

PartialFile::~PartialFile() {
    if (!committed_) ::unlink(QFile::encodeName(temp_).constData());
}

void PartialFile::commit(unsigned mode) {
    const QByteArray from = QFile::encodeName(temp_);
    if (::chmod(from.constData(), mode) != 0) throw BackupError(systemError(QStringLiteral("Cannot set the mode of"), temp_));
    syncFile(temp_);
    if (::rename(from.constData(), QFile::encodeName(target_).constData()) != 0)
        throw BackupError(systemError(QStringLiteral("Cannot rename the finished file to"), target_));
    committed_ = true;
    syncFolder(QFileInfo(target_).absolutePath());
}

void makeFolder(const QString& folder, bool own) {
    const bool created = !QFileInfo(folder).isDir();
    if (!QDir().mkpath(folder))
        throw BackupError(QStringLiteral("Cannot create the folder \"%1\".").arg(QDir::toNativeSeparators(folder)));
    if ((own || created) && ::chmod(QFile::encodeName(folder).constData(), 0700) != 0)
        throw BackupError(systemError(QStringLiteral("Cannot set the mode of the folder"), folder));
}

void syncFile(const QString& path) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDWR);
    if (fd < 0) throw BackupError(systemError(QStringLiteral("Cannot open"), path));
    const int rc = ::fsync(fd);
    ::close(fd);
    if (rc != 0) throw BackupError(systemError(QStringLiteral("Cannot write to disk"), path));
}

bool isPartialName(const QString& fileName) {
    return fileName.startsWith(u'.') && fileName.contains(QLatin1String(".partial-"));
}

}  // namespace kestrum::backup
