#include "model/category_tree.h"

#include <QJsonObject>

namespace quorvel {

void add_to_tree(category_tree_t& tree, const category_node_spt& node) {
    tree[node->id].node = node;
    tree[node->superId].children.append(node);
}

void build_tree_from_nested(category_tree_t& tree, const QJsonArray& array) {
    for (const QJsonValue& value : array) {
        const QJsonObject o = value.toObject();
        add_to_tree(tree, category_node_t::from_json(o));
        const QJsonValue children = o.value(QLatin1String("children"));
        if (children.isArray())
            build_tree_from_nested(tree, children.toArray());
    }
}

void build_tree_from_flat(category_tree_t& tree, const QJsonArray& array) {
    static const char* const required[] = {
        "id",           "classifyName",       "sort",  "whetherToUnfold", "superId",
        "classifyType", "clientBusinessType", "deptId"};
    for (const QJsonValue& value : array) {
        if (!value.isObject())
            continue;
        const QJsonObject o = value.toObject();
        bool complete = true;
        for (const char* key : required)
            complete = complete && o.contains(QLatin1String(key));
        if (complete)
            add_to_tree(tree, category_node_t::from_json(o));
    }
}

} // namespace quorvel
