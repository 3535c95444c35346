#include "app/settings_store.h"

#include "app/app_paths.h"

#include <QDateTime>
#include <QFileInfo>
#include <QHash>
#include <QMutex>

namespace quorvel {

namespace k = setting_keys;

const QVector<setting_spec_t>& settings_file_specs() {
    using t = setting_type;
    static const QVector<setting_spec_t> specs = {
        {setting::kb_send, k::kb_send, t::flag, 1},
        {setting::kb_dbclick, k::kb_dbclick, t::flag, 1},
        {setting::kb_arrow, k::kb_arrow, t::flag, 1},
        {setting::kb_hotkey, k::kb_hotkey, t::flag, 1},
        {setting::follow_main_show, k::follow_main_show, t::flag, 1},
        {setting::follow_main_dockleft, k::follow_main_dockleft, t::flag, 1},
        {setting::follow_main_hotkey_visible, k::follow_main_hotkey_visible, t::flag, 1},
        {setting::follow_main_hotkey_focus, k::follow_main_hotkey_focus, t::flag, 1},
        {setting::follow_sub_show, k::follow_sub_show, t::flag, 1},
        {setting::follow_sub_hotkey_focus, k::follow_sub_hotkey_focus, t::flag, 1},
        {setting::follow_unsupport, k::follow_unsupport, t::text, QString()},
        {setting::clouddoc_download_switch, k::clouddoc_download_switch, t::flag, 1},
        {setting::clouddoc_download_size, k::clouddoc_download_size, t::integer, 20},
        {setting::advance_interval, k::advance_interval, t::integer, 1},
        {setting::advance_qnmode, k::advance_qnmode, t::flag, 1},
        {setting::advance_sclick, k::advance_sclick, t::flag, 1},
        {setting::advance_keep_clipboard, k::advance_keep_clipboard, t::flag, 1},
        {setting::advance_clipboard_delay, k::advance_clipboard_delay, t::integer, 500},
    };
    return specs;
}

const setting_spec_t& spec_of(setting id) {
    const setting_spec_t& spec = settings_file_specs().at(int(id));
    Q_ASSERT(spec.id == id);
    return spec;
}

QString key_of(setting id) {
    return QLatin1String(spec_of(id).key);
}

namespace {

const setting_spec_t* find_spec(const QString& key) {
    for (const setting_spec_t& spec : settings_file_specs())
        if (key == QLatin1String(spec.key))
            return &spec;
    return nullptr;
}

// Qt parses a file once per process while it stays unchanged and reports a
// format error only to the settings object that parsed it; later objects see
// what could be parsed. Malformed files are remembered by path, size and
// modification time, so every reader of such a file sees the error.
bool unreadable(const QSettings& settings) {
    using stamp_t = QPair<qint64, QDateTime>;
    static QMutex mutex;
    static QHash<QString, stamp_t> malformed;
    const QFileInfo info(settings.fileName());
    const stamp_t stamp(info.size(), info.lastModified());
    const QMutexLocker lock(&mutex);
    if (settings.status() == QSettings::FormatError)
        malformed.insert(info.absoluteFilePath(), stamp);
    if (settings.status() != QSettings::NoError)
        return true;
    const auto known = malformed.constFind(info.absoluteFilePath());
    return known != malformed.constEnd() && *known == stamp;
}

QVariant typed(const setting_spec_t& spec, const QVariant& value) {
    if (spec.type == setting_type::text)
        return value.toString();
    return value.toInt();
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
    if (!spec)
        return settings.value(key);
    if (!settings.contains(key))
        return spec->default_value;
    return typed(*spec, settings.value(key));
}

setting_value_t read_setting(const QSettings& settings, setting id) {
    const setting_spec_t& spec = spec_of(id);
    const QString key = QLatin1String(spec.key);
    if (unreadable(settings))
        return {spec.default_value, setting_origin::unreadable};
    if (!settings.contains(key))
        return {spec.default_value, setting_origin::absent};
    return {typed(spec, settings.value(key)), setting_origin::stored};
}

setting_value_t read_setting(const QString& settings_path, setting id) {
    return read_setting(*open_ini(settings_path), id);
}

setting_value_t read_setting(setting id) {
    return read_setting(app_paths::instance().settings_file(), id);
}

bool setting_on(setting id) {
    Q_ASSERT(spec_of(id).type == setting_type::flag);
    return read_setting(id).on();
}

int read_int_setting(const QString& key) {
    return read_int_setting(app_paths::instance().settings_file(), key);
}

int read_int_setting(const QString& settings_path, const QString& key) {
    const auto settings = open_ini(settings_path);
    if (unreadable(*settings))
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

settings_store::settings_store(const QString& path, QObject* parent)
    : QObject(parent), settings_(open_ini(path)) {
    qRegisterMetaType<quorvel::setting>();
}

settings_store::~settings_store() = default;

setting_value_t settings_store::read(setting id) const {
    return read_setting(*settings_, id);
}

void settings_store::write(setting id, int value, persist when) {
    Q_ASSERT(spec_of(id).type != setting_type::text);
    store(id, value, when);
}

void settings_store::write(setting id, const QString& value, persist when) {
    Q_ASSERT(spec_of(id).type == setting_type::text);
    store(id, value, when);
}

void settings_store::flush() {
    settings_->sync();
}

void settings_store::store(setting id, const QVariant& value, persist when) {
    settings_->setValue(key_of(id), value);
    if (when == persist::now)
        settings_->sync();
    emit changed(id);
}

} // namespace quorvel
