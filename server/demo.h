#pragma once

#include "file_store.h"
#include "storage.h"

#include <QString>

namespace quorvel::server {

struct demo_account_t {
    const char* account;
    const char* password;
    const char* role;
};

// The demo accounts with their passwords, to print at start.
const demo_account_t* demo_accounts(int* count);

// Seeds an empty store with a demo organisation and library. base_url is the
// server's own address, used in address links. Does nothing on a store that
// already has users. Returns false on a storage failure.
bool seed_demo(storage& store, file_store& files, const QString& base_url, QString* error);

// Adds a large public library for benchmarks: categories, scripts, stickers.
bool seed_large_library(storage& store, file_store& files, int categories, int scripts,
                        int stickers, QString* error);

} // namespace quorvel::server
