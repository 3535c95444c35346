#pragma once

#include "file_store.h"
#include "storage.h"

#include <QString>

namespace quorvel::server {

enum class copy_direction { to_database, to_directory };

struct copy_report_t {
    int copied = 0;
    int skipped = 0; // already at the destination
    int failed = 0;  // unreadable, or bytes that do not match the recorded SHA-256
};

// Copies the bytes of every file in the files table from the directory store
// below data_dir into the database, or back. Files already at the destination
// are left alone, so an interrupted copy is simply run again. Each file is
// streamed through a chunk at a time and checked against its recorded SHA-256
// before it counts as copied; the source is never changed.
copy_report_t copy_file_store(storage& store, const QString& data_dir, copy_direction direction);

} // namespace quorvel::server
