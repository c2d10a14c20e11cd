#pragma once
// A file written under a temporary name beside its target and renamed into place only when it is
// complete, so that nothing half-written ever carries the final name.
#include <QString>

namespace kestrum::backup {

/// \brief Creates an empty temporary file (mode 0600) in the target's folder; removes it again
/// when it goes unless commit() renamed it into place. Throws BackupError when it cannot.
class PartialFile {
public:
    explicit PartialFile(const QString& target);
    ~PartialFile();
    PartialFile(const PartialFile&) = delete;
    PartialFile& operator=(const PartialFile&) = delete;

    /// The temporary file's path (what the writer writes to).
    const QString& path() const { return temp_; }
    const QString& target() const { return target_; }
    /// \brief Flushes the file to disk, renames it over the target and flushes the folder.
    /// `mode` is the final file mode. Throws BackupError.
    void commit(unsigned mode = 0600);

private:
    QString target_;
    QString temp_;
    bool committed_ = false;
};

/// \brief Creates `folder` (and its parents) when missing; a folder it creates, and the folder
/// when `own` is true, is made 0700 (a folder the user picked keeps its mode).
/// Throws BackupError when it cannot.
void makeFolder(const QString& folder, bool own);

/// \brief Flushes a written file to disk. Throws BackupError.
void syncFile(const QString& path);

/// Temporary files are named ".<target name>.partial-XXXXXX"; true for such a name.
bool isPartialName(const QString& fileName);

}  // namespace kestrum::backup
