#include "ui/update/update_notice.h"

#include "app/app_paths.h"
#include "app/logger.h"
#include "app/settings_store.h"
#include "app/versions.h"
#include "protocol/protocol.h"
#include "signing/update_public_key.h"
#include "signing/update_signature.h"
#include "ui/shell_actions.h"

#include <spdlog/spdlog.h>

namespace quorvel {

namespace {

QString refusal_key(const version_update_info_t& info) {
    return info.sha256 + QLatin1Char(' ') + info.signature;
}

} // namespace

startup_update_t startup_update_step(const version_update_info_spt& info) {
    if (!info)
        return startup_update_t::none;
    if (!is_update_version(info->latestVersion)) {
        offer_refusal(*info); // logs why
        return startup_update_t::none;
    }
    if (!offered_is_newer(info->latestVersion))
        return startup_update_t::none;
    const app_paths& paths = app_paths::instance();
    if (!info->isForceUpdate &&
        read_ignored_version(paths.update_state_file()) == info->latestVersion)
        return startup_update_t::none;
    if (offer_refused_before(*info)) {
        spdlog::info("update {} was refused before, not offered again", utf8(info->latestVersion));
        return startup_update_t::none;
    }
    if (!offer_refusal(*info).isEmpty())
        return startup_update_t::notify; // the dialog says why

    return paths.installer_matches(info->latestVersion, info->sha256) ? startup_update_t::notify
                                                                      : startup_update_t::download;
}

bool update_reminder_due(const version_update_info_t& info) {
    if (info.isForceUpdate)
        return true;
    // Absent means "a second ago" on the same clock as the comparison.
    const auto state = open_ini(app_paths::instance().update_state_file());
    const qint64 now = shell_actions().now_seconds();
    const qint64 remind =
        state->value(QLatin1String(setting_keys::update_remind), now - 1).toLongLong();
    return remind < now;
}

QString offer_refusal(const version_update_info_t& info) {
    const std::string version = utf8(info.latestVersion);
    if (!is_update_version(info.latestVersion)) {
        spdlog::warn("update offer refused, its version is not dotted numbers: {}", version);
        return QStringLiteral("更新版本号无效");
    }
    if (parse_update_signature(info.signature.toLatin1()).isEmpty()) {
        spdlog::warn("update {} refused, it carries no valid signature", version);
        return bad_signature_text();
    }
    if (info.fileSize <= 0 || info.fileSize > protocol::max_installer_bytes) {
        spdlog::warn("update {} refused, its size {} is not between 1 and {} bytes", version,
                     info.fileSize, protocol::max_installer_bytes);
        return QStringLiteral("更新包大小无效");
    }
    return {};
}

installer_state_t check_installer(const QString& path, const version_update_info_t& info) {
    const QString digest = path.isEmpty() ? QString() : file_sha256(path);
    if (digest.isEmpty() || digest != info.sha256) {
        spdlog::warn("install failed, download file hash {}, required file hash {}", utf8(digest),
                     utf8(info.sha256));
        return installer_state_t::damaged;
    }
    if (!file_signature_valid(path, parse_update_signature(info.signature.toLatin1()),
                              update_public_key())) {
        spdlog::warn("update {} refused, the installer's signature does not verify: {}",
                     utf8(info.latestVersion), utf8(path));
        return installer_state_t::bad_signature;
    }
    return installer_state_t::valid;
}

QString bad_signature_text() {
    return QStringLiteral("更新包签名无效");
}

void remember_refused_offer(const version_update_info_t& info) {
    const auto state = open_ini(app_paths::instance().update_state_file());
    state->setValue(QLatin1String(setting_keys::update_refused), refusal_key(info));
    state->sync();
}

bool offer_refused_before(const version_update_info_t& info) {
    const auto state = open_ini(app_paths::instance().update_state_file());
    return state->value(QLatin1String(setting_keys::update_refused)).toString() ==
           refusal_key(info);
}

} // namespace quorvel
