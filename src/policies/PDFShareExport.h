#pragma once

#include <QByteArray>
#include <QString>

// Writes a policy's document where only this user can read it, so the file manager can hand it
// on. /tmp is shared by every account, so the export goes into the program's folder under
// $XDG_RUNTIME_DIR (0700, the user's own), or under the user's cache folder without one.
class PDFShareExport final {
public:
    struct Result {
        QString path;  // the exported file; empty on failure
        QString error; // why it failed; empty on success
    };

    // runtimeFolder: $XDG_RUNTIME_DIR, may be empty; cacheFolder: the user's cache folder.
    PDFShareExport(QString runtimeFolder, QString cacheFolder);

    // The folders this user's session offers ($XDG_RUNTIME_DIR, the cache location).
    static PDFShareExport forSession();

    // Writes the bytes, unchanged, to the file named fileName inside the private folder,
    // replacing an earlier export of that name; mode 0600, written whole or not at all.
    Result write(const QByteArray& data, const QString& fileName) const;

    // fileName as one path component that names a file inside the folder: "/" and NUL become
    // "_", an empty name, "." and ".." become "Document", and a name too long for the file
    // system is shortened, keeping its extension.
    static QString safeFileName(const QString& fileName);

private:
    // Opens the folder, creating it 0700 when missing; -1 when it is a link, not a folder, or
    // not this user's own.
    static int openPrivateFolder(const QString& folder, QString* error);

    QString m_runtimeFolder;
    QString m_cacheFolder;
};
