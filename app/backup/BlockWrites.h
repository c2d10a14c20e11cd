#pragma once
// An SQLite file layer for the file a backup writes: SQLite writes a page (4 KB) a system call,
// and on the full-size shop the kernel's work per call was most of the copy's time. Pages written
// one after the other are gathered and written in blocks.
#include <sqlite3.h>

namespace kestrum::backup {

/// \brief The name of the file layer (VFS) that writes in blocks, for sqlite3_open_v2; registered
/// on first use, never made the default. Anything else a file is asked (a read, its size, a sync,
/// an unlock, a truncation, a close) first writes out what is gathered, so SQLite never sees the
/// file otherwise than as written. Returns nullptr when it cannot be registered (the caller then
/// opens the file through the default layer).
const char* blockWritesVfs();

/// \brief Writes out what is gathered for the database `db` opened through blockWritesVfs() and
/// returns SQLite's result: the way to see a failed write before the connection is closed (a
/// close reports nothing).
int flushBlockWrites(sqlite3* db);

} // namespace kestrum::backup
