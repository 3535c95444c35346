#include "net/actions/category_scripts_fetch.h"

#include "net/blocking_requests.h"

#include <spdlog/spdlog.h>

namespace quorvel {

category_scripts_fetch::category_scripts_fetch(const QList<category_node_spt>& categories,
                                               QObject* parent)
    : QObject(parent) {
    for (const category_node_spt& category : categories)
        if (category)
            categories_ << category_ref_t{category->id, category->classifyType};
}

void category_scripts_fetch::run() {
    http_client client;
    for (const category_ref_t& category : categories_) {
        const json_map_t params{{QStringLiteral("speechContent"), QString()},
                                {QStringLiteral("speechContentKeywords"), QString()},
                                {QStringLiteral("classifyId"), category.id},
                                {QStringLiteral("deptId"), QString()},
                                {QStringLiteral("classifyType"), category.classify_type}};
        QString message;
        if (!query_scripts_blocking(client, params, &scripts_, &message)) {
            spdlog::warn("query scripts of category {} failed, reason: {}",
                         category.id.toStdString(), message.toStdString());
            ++failed_;
        }
    }
}

} // namespace quorvel
