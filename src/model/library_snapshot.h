#pragma once

#include "model/category_tree.h"
#include "model/data_center.h"
#include "model/records.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

namespace quorvel {

// The library as a synchronisation fetched it: filled on its worker thread,
// touched by nobody else, then put into the store on the GUI thread by one
// data_center::apply_snapshot. What a failed or unsent query left empty
// keeps what the store holds.
struct library_snapshot_t {
    // A category tree of a library part (the department part per department).
    struct tree_t {
        int part = -1;
        QString dept_id;
        category_tree_t tree;
    };

    std::optional<version_update_info_spt> version_info;
    std::optional<QHash<QString, QStringList>> supported_apps;
    QList<tree_t> script_trees;             // in the order they replace the store's
    category_node_spt attachments_category; // null: the store's stays
    std::optional<category_tree_t> doc_categories;
    std::optional<doc_map_t> docs; // merged into the store's
    std::optional<script_map_t> scripts;
    std::optional<sticker_map_t> stickers;
    QList<tree_t> sticker_trees;
    std::optional<QHash<QString, phrase_node_spt>> phrases;
};

} // namespace quorvel
