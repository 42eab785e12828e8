#pragma once

#include <QString>

class SqliteConnection;

// Opens a connection that reads a store file as the program reads it, with its write-ahead log.
// A store left by a killed writer may first need what only a writing connection may do before
// anyone can read it (a cut-short transaction rolled back, the log's index rebuilt): then the
// connection is opened for writing, barred from any other write and from copying the log into
// the file when it closes. False, with the connection's error, when it cannot read the store.
// `vfs` is the SQLite VFS the reading connection, and what it attaches, go through; none for
// the default.
bool openStoreForReading(SqliteConnection& db, const QString& path, const char* vfs = nullptr);
