#pragma once

#include <QByteArrayList>
#include <QFileDevice>
#include <QString>

// One way of putting a file in place, for the export, the maintenance report and the backup:
// the new file is written beside its target under a temporary name and renamed over it only
// once whole, so the target is either as it was or complete, and no partial file stays behind.
// And one policy on what may stand where it goes.
namespace AtomicFile {

enum class Content
{
    Text,     // never replaces a database
    Database, // a backup: may replace an older backup
};

struct Rules
{
    bool replaceExisting = false; // an existing ordinary file of the user's own may be replaced
    Content content = Content::Text;
    QString storePath;    // the store whose file and side files are never a target; may be empty
    bool streams = false; // a character device or a pipe is a Stream to write into, else refused
    QFileDevice::Permissions newPermissions; // of a new file; none: the system's default
};

// What is at a target, and whether a file may be put there.
enum class Verdict
{
    NewFile,       // nothing there: may be written
    Replace,       // an ordinary file that may be replaced
    Stream,        // a device or a pipe (only with Rules::streams): the caller writes into it
    Link,          // a link, dangling or not: never written through, never replaced
    StoreSideName, // a name SQLite or Kelmot keeps beside the store (journal, lock, temporaries)
    Folder,
    NotOrdinary, // a device, a pipe or a socket
    StoreFile,   // the store itself, or its journal
    Unreadable,  // could not be read to make sure it holds no database
    Database,    // holds a database, and the new file is not one
    NotOwn,      // another user's file, or a file with a second name (a hard link)
    ReadOnly,
    Exists, // an ordinary file, and replacing was not asked for
};

inline bool MayWrite(Verdict v)
{
    return v == Verdict::NewFile || v == Verdict::Replace;
}

Verdict Judge(const QString& path, const Rules& rules);

struct Outcome
{
    Verdict verdict = Verdict::NewFile; // as judged last, just before the rename
    bool done = false;                  // the file is in place
    bool notCreated = false;            // the temporary file could not be made beside the target
    bool noRoom = false;                // the disk is full
    QString error;                      // the system's words for what failed
};

// Judges the target, writes the parts one after the other to a temporary file beside it,
// judges the target again (something may have appeared meanwhile) and renames the file over it.
Outcome Write(const QString& path, const QByteArrayList& parts, const Rules& rules);

// For a file another writer fills by name, as SQLite's backup does: judges the target again and
// renames `filled` over it (or, without Rules::replaceExisting, onto it only while nothing is
// there). `filled` must be beside the target; on failure it stays for the caller to remove.
Outcome Commit(const QString& filled, const QString& path, const Rules& rules);

} // namespace AtomicFile
