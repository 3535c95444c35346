#pragma once

#include <QMetaType>
#include <QObject>
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
// The last offer refused (its sha256 and signature): not downloaded and
// refused again at every start.
inline constexpr char update_refused[] = "main/refused";

// kb/search.cfg
inline constexpr char search_history_group[] = "history";
} // namespace setting_keys

// Every key of the settings file; the string stored in the file is key_of(id).
enum class setting {
    kb_send,
    kb_dbclick,
    kb_arrow,
    kb_hotkey,
    follow_main_show,
    follow_main_dockleft,
    follow_main_hotkey_visible,
    follow_main_hotkey_focus,
    follow_sub_show,
    follow_sub_hotkey_focus,
    follow_unsupport,
    clouddoc_download_switch,
    clouddoc_download_size,
    advance_interval,
    advance_qnmode,
    advance_sclick,
    advance_keep_clipboard,
    advance_clipboard_delay,
};

// flag: an integer 0 or 1, read as off or on; integer: a number; text: a string.
enum class setting_type { flag, integer, text };

struct setting_spec_t {
    setting id;
    const char* key;
    setting_type type;
    QVariant default_value;
};

// Every key of the settings file with its type and default, in enumeration order.
const QVector<setting_spec_t>& settings_file_specs();
const setting_spec_t& spec_of(setting id);
QString key_of(setting id);

// The default of a settings-file key; invalid for an unknown key.
QVariant setting_default(const QString& key);

// Opens an INI file the way every reader and writer of this program does
// (UTF-8, so application names stay readable in the file).
std::unique_ptr<QSettings> open_ini(const QString& path);

// The value of a settings-file key converted to its type, or its default when
// absent. Text that is no number converts to 0.
QVariant read_setting(const QSettings& settings, const QString& key);

// Where a value read from the settings file came from. A file that cannot be
// read or parsed is not the same as an absent key: the value is then the
// default, but a reader that must not act on a guess can tell.
enum class setting_origin { stored, absent, unreadable };

struct setting_value_t {
    QVariant value; // of the key's type: the stored value, else the default
    setting_origin origin = setting_origin::absent;

    bool on() const { return value.toInt() != 0; }
    int number() const { return value.toInt(); }
    QString text() const { return value.toString(); }
    bool readable() const { return origin != setting_origin::unreadable; }
};

setting_value_t read_setting(const QSettings& settings, setting id);
setting_value_t read_setting(const QString& settings_path, setting id);
// Opens the settings file anew: settings that steer behaviour are read at
// each use, never cached.
setting_value_t read_setting(setting id);
// A flag read anew; an unreadable file gives the default, which is "on".
bool setting_on(setting id);

// The plain integer read: opens the settings file anew; -1 when it cannot be
// read or parsed, 1 when the key is absent, else the value as an integer (0
// for non-numbers). read_setting says which of these happened.
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

// The settings file opened for editing; the settings centre shares one
// between its pages. Every write announces the key it changed.
class settings_store : public QObject {
    Q_OBJECT
public:
    // now: on disk before changed() is emitted; later: when flush() runs or
    // the store goes away.
    enum class persist { now, later };

    explicit settings_store(const QString& path, QObject* parent = nullptr);
    ~settings_store() override;

    setting_value_t read(setting id) const;
    void write(setting id, int value, persist when = persist::now);
    void write(setting id, const QString& value, persist when = persist::now);
    void flush();

signals:
    void changed(quorvel::setting id);

private:
    void store(setting id, const QVariant& value, persist when);

    std::unique_ptr<QSettings> settings_;
};

} // namespace quorvel

Q_DECLARE_METATYPE(quorvel::setting)
