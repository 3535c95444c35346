#pragma once

#include <QPair>
#include <QSettings>
#include <QString>
#include <QVariant>
#include <QVector>
#include <memory>

namespace quorvel {

// Keys of config/settings.cfg, st.cfg and kb/search.cfg.
namespace setting_keys {
inline constexpr char kb_send[] = "kb/send";
inline constexpr char kb_dbclick[] = "kb/dbclick";
inline constexpr char kb_arrow[] = "kb/arrow";
inline constexpr char kb_hotkey[] = "kb/hotkey";
inline constexpr char follow_main_show[] = "follow/main_show";
inline constexpr char follow_main_dockleft[] = "follow/main_dockleft";
inline constexpr char follow_main_hotkey_visible[] = "follow/main_hotkey_visible";
inline constexpr char follow_main_hotkey_focus[] = "follow/main_hotkey_focus";
inline constexpr char follow_sub_show[] = "follow/sub_show";
inline constexpr char follow_sub_hotkey_focus[] = "follow/sub_hotkey_focus";
inline constexpr char follow_unsupport[] = "follow/unsupport";
inline constexpr char clouddoc_download_switch[] = "clouddoc/download_switch";
inline constexpr char clouddoc_download_size[] = "clouddoc/download_size";
inline constexpr char advance_interval[] = "advance/interval";
inline constexpr char advance_qnmode[] = "advance/qnmode";
inline constexpr char advance_sclick[] = "advance/sclick";
// The user's clipboard is put back after a delivery (non-zero), this many ms
// after the chat application took the paste.
inline constexpr char advance_keep_clipboard[] = "advance/keep_clipboard";
inline constexpr char advance_clipboard_delay[] = "advance/clipboard_delay";

// st.cfg
inline constexpr char update_ignore[] = "main/ignore";
inline constexpr char update_remind[] = "main/remind";

// kb/search.cfg
inline constexpr char search_history_group[] = "history";
} // namespace setting_keys

enum class setting_type { integer, text };

struct setting_spec_t {
    const char* key;
    setting_type type;
    QVariant default_value;
};

// Every key of the settings file with its type and default, in a fixed order.
const QVector<setting_spec_t>& settings_file_specs();

// The default of a settings-file key; invalid for an unknown key.
QVariant setting_default(const QString& key);

// Opens an INI file the way every reader and writer of this program does
// (UTF-8, so application names stay readable in the file).
std::unique_ptr<QSettings> open_ini(const QString& path);

// The value of a settings-file key converted to its type, or its default when
// absent. Text that is no number converts to 0.
QVariant read_setting(const QSettings& settings, const QString& key);

// Opens the settings file anew: -1 when it cannot be read or parsed, 1 when
// the key is absent, else the value as an integer (0 for non-numbers).
// Callers treat non-zero as "on".
int read_int_setting(const QString& key);
int read_int_setting(const QString& settings_path, const QString& key);

// The recently sent scripts: (script id, ordering value) in the order the
// settings library lists the keys.
QVector<QPair<QString, qint64>> search_history();
QVector<QPair<QString, qint64>> search_history(const QString& history_path);

// The update state file.
QString read_ignored_version(const QString& state_path);
qint64 read_remind_time(const QString& state_path); // default: now - 1 s
void write_ignored_version(const QString& state_path, const QString& version);
void write_remind_time(const QString& state_path, qint64 seconds_since_epoch);

} // namespace quorvel
