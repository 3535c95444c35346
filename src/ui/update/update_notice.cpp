#include "ui/update/update_notice.h"

#include "app/app_paths.h"
#include "app/settings_store.h"
#include "app/versions.h"
#include "ui/shell_actions.h"

namespace quorvel {

startup_update_t startup_update_step(const version_update_info_spt& info) {
    if (!info || !offered_is_newer(info->latestVersion))
        return startup_update_t::none;
    const app_paths& paths = app_paths::instance();
    if (!info->isForceUpdate &&
        read_ignored_version(paths.update_state_file()) == info->latestVersion)
        return startup_update_t::none;
    return paths.installer_matches(info->latestVersion, info->sha256) ? startup_update_t::notify
                                                                       : startup_update_t::download;
}

bool update_reminder_due(const version_update_info_t& info) {
    if (info.isForceUpdate)
        return true;
    // Absent means "a second ago" on the same clock as the comparison.
    const auto state = open_ini(app_paths::instance().update_state_file());
    const qint64 now = shell_actions().now_seconds();
    const qint64 remind = state->value(QLatin1String(setting_keys::update_remind), now - 1).toLongLong();
    return remind < now;
}

} // namespace quorvel
