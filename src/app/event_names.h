#pragma once

// Every event posted on the event bus, with its arguments.
namespace quorvel::events {

// [QString text]: paste and send a script, phrase or quick-reply text.
inline constexpr char send_script[] = "send_script";
// [QString text]: paste a script without sending.
inline constexpr char input_script[] = "input_script";
// [QString local file path]: send a sticker file.
inline constexpr char send_sticker[] = "send_sticker_event";
// [QString local file path]: send a cloud document file.
inline constexpr char send_clouddoc[] = "send_clouddoc_event";
// [QString local file path]: paste a sticker or document file without sending
// (the bar's Shift+Enter).
inline constexpr char input_file[] = "input_file_event";
// []: the server said the login has expired.
inline constexpr char relogin[] = "relogin_event";
// [int library part] or [int library part, QVariant suggested parent category].
inline constexpr char kb_create_category[] = "kb/event/create_category";
// [bool moved, category_node_spt old category, category_node_spt new category].
inline constexpr char kb_transfer_category[] = "kb/event/transfer_category";
// [int library part of the target, QString target category id].
inline constexpr char kb_transfer_script[] = "kb/event/transfer_script";
// [category_node_spt new category].
inline constexpr char sticker_category_created[] = "category_sticker_create_event";
// [category_node_spt new category].
inline constexpr char sticker_transfer_category[] = "sticker/event/transfer_category";
// [sticker_node_spt new sticker].
inline constexpr char sticker_transfer_sticker[] = "sticker/event/transfer_sticker";
// [int 0 or 1], posted after the setting was written and flushed.
inline constexpr char follow_main_show[] = "settings/follow/main_show";
inline constexpr char follow_sub_show[] = "settings/follow/sub_show";
inline constexpr char follow_main_dockleft[] = "settings/follow/main_dockleft";
// []: the set of switched-off applications changed.
inline constexpr char follow_supported_app_changed[] = "settings/follow/supported_app_changed";

} // namespace quorvel::events
