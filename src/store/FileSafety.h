#pragma once

#include <QString>
#include <memory>

class QLockFile;

// Careful file handling for the copies a backup or restore writes: temporary files with a
// naming pattern of their own, renames that never replace or write through what is there,
// and the store's permissions on every new file.
namespace FileSafety {

// The temporary files of one store's copies in one folder: "<store name>.kelmot-temp-XXXXXX".
// While it lives, it holds a lock on that folder's temporaries, so that removing what an
// interrupted run left never removes the file of a run still going on.
class TempArea
{
public:
    // Throws StoreError when another backup or restore keeps the folder longer than waitMs.
    TempArea(const QString& folder, const QString& storeFileName, int waitMs);
    ~TempArea();
    TempArea(const TempArea&) = delete;
    TempArea& operator=(const TempArea&) = delete;

    // Removes the temporaries of this store that an interrupted run left in the folder.
    void removeLeftovers();
    // A new, empty temporary file, readable and writable by its owner only until it is done.
    QString newFile();
    // The temporary and whatever journal SQLite left beside it.
    static void remove(const QString& path);

    static QString NamePrefix(const QString& storeFileName);

private:
    QString folder_;
    QString prefix_;
    std::unique_ptr<QLockFile> lock_;
};

// A link, dangling or not: backups and safety copies never write through one.
bool IsLink(const QString& path);
// Renames from onto to only when nothing, not even a dangling link, is at to.
bool RenameWithoutReplacing(const QString& from, const QString& to);
// Renames from over to in one step; false with the reason in *why when it failed.
bool RenameReplacing(const QString& from, const QString& to, QString* why);
// Gives path the permissions of model (a store kept 0644 is copied 0644).
void CopyPermissions(const QString& model, const QString& path);
// After a file could not be made or written in folder: true when its disk has no room left,
// which then is the reason to give rather than a read-only folder or an unknown error.
bool NoRoomIn(const QString& folder);

} // namespace FileSafety
