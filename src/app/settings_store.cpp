#include "app/settings_store.h"

#include "app/app_paths.h"

#include <QDateTime>

namespace quorvel {

namespace k = setting_keys;

const QVector<setting_spec_t>& settings_file_specs() {
    static const QVector<setting_spec_t> specs = {
        {k::kb_send, setting_type::integer, 1},
        {k::kb_dbclick, setting_type::integer, 1},
        {k::kb_arrow, setting_type::integer, 1},
        {k::kb_hotkey, setting_type::integer, 1},
        {k::follow_main_show, setting_type::integer, 1},
        {k::follow_main_dockleft, setting_type::integer, 1},
        {k::follow_main_hotkey_visible, setting_type::integer, 1},
        {k::follow_main_hotkey_focus, setting_type::integer, 1},
        {k::follow_sub_show, setting_type::integer, 1},
        {k::follow_sub_hotkey_focus, setting_type::integer, 1},
        {k::follow_unsupport, setting_type::text, QString()},
        {k::clouddoc_download_switch, setting_type::integer, 1},
        {k::clouddoc_download_size, setting_type::integer, 20},
        {k::advance_interval, setting_type::integer, 1},
        {k::advance_qnmode, setting_type::integer, 1},
        {k::advance_sclick, setting_type::integer, 1},
        {k::advance_keep_clipboard, setting_type::integer, 1},
        {k::advance_clipboard_delay, setting_type::integer, 500},
    };
    return specs;
}

namespace {

const setting_spec_t* find_spec(const QString& key) {
    for (const setting_spec_t& spec : settings_file_specs())
        if (key == QLatin1String(spec.key))
            return &spec;
    return nullptr;
}

} // namespace

QVariant setting_default(const QString& key) {
    const setting_spec_t* spec = find_spec(key);
    return spec ? spec->default_value : QVariant();
}

std::unique_ptr<QSettings> open_ini(const QString& path) {
    auto settings = std::make_unique<QSettings>(path, QSettings::IniFormat);
    settings->setIniCodec("UTF-8");
    return settings;
}

QVariant read_setting(const QSettings& settings, const QString& key) {
    const setting_spec_t* spec = find_spec(key);
    const QVariant fallback = spec ? spec->default_value : QVariant();
    if (!settings.contains(key))
        return fallback;
    const QVariant value = settings.value(key);
    if (spec && spec->type == setting_type::integer)
        return value.toInt();
    if (spec && spec->type == setting_type::text)
        return value.toString();
    return value;
}

int read_int_setting(const QString& key) {
    return read_int_setting(app_paths::instance().settings_file(), key);
}

int read_int_setting(const QString& settings_path, const QString& key) {
    const auto settings = open_ini(settings_path);
    if (settings->status() != QSettings::NoError)
        return -1;
    return settings->value(key, 1).toInt();
}

QVector<QPair<QString, qint64>> search_history() {
    return search_history(app_paths::instance().search_history_file());
}

QVector<QPair<QString, qint64>> search_history(const QString& history_path) {
    const auto settings = open_ini(history_path);
    settings->beginGroup(QLatin1String(k::search_history_group));
    QVector<QPair<QString, qint64>> entries;
    for (const QString& id : settings->childKeys())
        entries.append({id, settings->value(id).toLongLong()});
    return entries;
}

QString read_ignored_version(const QString& state_path) {
    return open_ini(state_path)->value(QLatin1String(k::update_ignore)).toString();
}

qint64 read_remind_time(const QString& state_path) {
    const auto settings = open_ini(state_path);
    const QString key = QLatin1String(k::update_remind);
    if (!settings->contains(key))
        return QDateTime::currentSecsSinceEpoch() - 1;
    return settings->value(key).toLongLong();
}

void write_ignored_version(const QString& state_path, const QString& version) {
    const auto settings = open_ini(state_path);
    settings->setValue(QLatin1String(k::update_ignore), version);
    settings->sync();
}

void write_remind_time(const QString& state_path, qint64 seconds_since_epoch) {
    const auto settings = open_ini(state_path);
    settings->setValue(QLatin1String(k::update_remind), seconds_since_epoch);
    settings->sync();
}

} // namespace quorvel
