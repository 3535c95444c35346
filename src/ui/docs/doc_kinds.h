#pragma once

#include "model/category_tree.h"
#include "model/records.h"
#include "protocol/library_terms.h"

#include <QString>

namespace quorvel {

// The type filter of the document page, by the code of its menu entry.
enum class doc_filter : int { all = -1, media = 0, text = 1, image = 2, archive = 3, other = 4 };

// What the document views show of a suffix and a category name.
namespace doc_kinds {

// The marker that names the category script attachments are filed into.
using protocol::attachments_marker;

// The icon resource for a suffix (a leading "." ignored; case-sensitive).
QString icon_for_suffix(const QString& suffix);
// Whether a stored suffix passes a filter (case-sensitive, as stored).
bool matches_filter(const QString& suffix, doc_filter filter);
bool is_audio(const QString& suffix);
bool is_video(const QString& suffix);

// Categories no view lists: web-page categories and the attachments category.
bool is_hidden_category(const QString& name);
// The shared public category: named by the marker prefix, unchangeable.
bool is_marked_category(const QString& name);
bool is_attachments_category(const QString& name);
// The name a view shows.
QString shown_name(const QString& name);

} // namespace doc_kinds
} // namespace quorvel
