#include "model/records.h"

#include "model/json_read.h"

#include <QJsonArray>

namespace quorvel {

using namespace json_read;

namespace {

// Nested file-store records are read only from an object.
nas_file_spt nested_file(const QJsonObject& o) {
    const QJsonValue v = o.value(QLatin1String("nasFile"));
    return v.isObject() ? nas_file_t::from_json(v.toObject()) : nas_file_spt();
}

QStringList string_list(const QJsonValue& v) {
    QStringList out;
    for (const QJsonValue& item : v.toArray())
        out << item.toVariant().toString();
    return out;
}

} // namespace

category_node_spt category_node_t::from_json(const QJsonObject& o) {
    auto c = category_node_spt::create();
    c->id = text(o, "id");
    c->superId = text(o, "superId");
    c->classifyName = text(o, "classifyName");
    c->deptId = text(o, "deptId");
    c->clientBusinessType = text(o, "clientBusinessType");
    c->classifyType = text(o, "classifyType");
    c->sort = any(o, "sort");
    c->whetherToUnfold = number_int(o, "whetherToUnfold");
    return c;
}

script_node_spt script_node_t::from_json(const QJsonObject& o) {
    auto s = script_node_spt::create();
    s->id = text(o, "id");
    s->speechContentKeywords = text(o, "speechContentKeywords");
    s->speechContent = text(o, "speechContent");
    s->deptId = text(o, "deptId");
    s->classifyId = text(o, "classifyId");
    s->classifyType = text(o, "classifyType");
    s->customShortcuts = text(o, "customShortcuts");
    s->sort = number(o, "sort");
    s->creatorAccount = text(o, "creatorAccount");
    s->lastUpdateAccount = text(o, "lastUpdateAccount");
    s->createTime = text(o, "createTime");
    s->lastUpdateDate = text(o, "lastUpdateDate");
    return s;
}

QDataStream& operator<<(QDataStream& out, const script_node_spt& s) {
    const script_node_t empty;
    const script_node_t& v = s ? *s : empty;
    return out << v.id << v.speechContentKeywords << v.speechContent << v.deptId << v.classifyId
               << v.classifyType << v.customShortcuts << v.sort << v.creatorAccount
               << v.lastUpdateAccount << v.createTime << v.lastUpdateDate;
}

QDataStream& operator>>(QDataStream& in, script_node_spt& s) {
    if (!s)
        s = script_node_spt::create();
    return in >> s->id >> s->speechContentKeywords >> s->speechContent >> s->deptId >>
           s->classifyId >> s->classifyType >> s->customShortcuts >> s->sort >> s->creatorAccount >>
           s->lastUpdateAccount >> s->createTime >> s->lastUpdateDate;
}

nas_file_spt nas_file_t::from_json(const QJsonObject& o) {
    auto f = nas_file_spt::create();
    f->id = text(o, "id");
    f->account = text(o, "account");
    f->accountType = number_int(o, "accountType");
    f->whetherMyFile = number_int(o, "whetherMyFile");
    f->localFileName = text(o, "localFileName");
    f->localFilePath = text(o, "localFilePath");
    f->fileSuffix = text(o, "fileSuffix");
    f->fileSize = any(o, "fileSize");
    f->fileType = text(o, "fileType");
    f->mimeType = text(o, "mimeType");
    f->createTime = text(o, "createTime");
    f->lastUpdateDate = text(o, "lastUpdateDate");
    f->sha256Hex = text(o, "sha256Hex");
    return f;
}

sticker_node_spt sticker_node_t::from_json(const QJsonObject& o) {
    auto s = sticker_node_spt::create();
    s->id = text(o, "id");
    s->account = text(o, "account");
    s->accountType = text(o, "accountType");
    s->classifyId = text(o, "classifyId");
    s->classifyName = text(o, "classifyName");
    s->deptId = text(o, "deptId");
    s->classifyType = text(o, "classifyType");
    s->emojiContent = text(o, "emojiContent");
    s->emojiContentDesc = text(o, "emojiContentDesc");
    s->emojiContentMatchKeywords = text(o, "emojiContentMatchKeywords");
    s->emojiType = text(o, "emojiType");
    s->sort = number(o, "sort");
    s->validStatus = number_int(o, "validStatus");
    s->creatorAccount = text(o, "creatorAccount");
    s->createTime = text(o, "createTime");
    s->lastUpdateAccount = text(o, "lastUpdateAccount");
    s->lastUpdateDate = text(o, "lastUpdateDate");
    s->fileId = text(o, "fileId");
    s->nasFile = nested_file(o);
    return s;
}

doc_node_spt doc_node_t::from_json(const QJsonObject& o) {
    auto d = doc_node_spt::create();
    d->id = text(o, "id");
    d->classifyId = text(o, "classifyId");
    d->deptId = text(o, "deptId");
    d->classifyType = text(o, "classifyType");
    d->fileContent = text(o, "fileContent");
    d->fileName = text(o, "fileName");
    d->fileSuffix = text(o, "fileSuffix");
    d->fileSize = any(o, "fileSize");
    d->fileType = text(o, "fileType");
    d->keywords = text(o, "keywords");
    d->customShortcuts = text(o, "customShortcuts");
    d->creatorAccount = text(o, "creatorAccount");
    d->lastUpdateAccount = text(o, "lastUpdateAccount");
    d->createTime = text(o, "createTime");
    d->lastUpdateDate = text(o, "lastUpdateDate");
    d->sha256Hex = text(o, "sha256Hex");
    d->sort = any(o, "sort");
    d->validStatus = number_int(o, "validStatus");
    d->fileId = text(o, "fileId");
    d->nasFile = nested_file(o);
    return d;
}

phrase_node_spt phrase_node_t::from_json(const QJsonObject& o) {
    auto p = phrase_node_spt::create();
    p->id = text(o, "id");
    p->phraseContent = text(o, "phraseContent");
    p->validStatus = number_int(o, "validStatus");
    p->sort = any(o, "sort");
    return p;
}

quick_reply_node_spt quick_reply_node_t::from_json(const QJsonObject& o) {
    auto q = quick_reply_node_spt::create();
    q->id = text(o, "id");
    q->speechId = text(o, "speechId");
    q->classifyId = text(o, "classifyId");
    q->deptId = text(o, "deptId");
    q->classifyType = text(o, "classifyType");
    return q;
}

version_update_info_spt version_update_info_t::from_json(const QJsonObject& o) {
    auto v = version_update_info_spt::create();
    v->isForceUpdate = o.value(QLatin1String("isForceUpdate")).toBool(false);
    v->isSilentInstall = o.value(QLatin1String("isSilentInstall")).toBool(false);
    v->installArgs = text(o, "installArgs");
    v->sha256 = text(o, "sha256");
    v->downloadUrl = text(o, "downloadUrl");
    v->fileId = text(o, "fileId");
    v->releaseNotes = text(o, "releaseNotes");
    v->latestVersion = text(o, "latestVersion");
    v->minOsVersion = text(o, "minOsVersion");
    v->signature = text(o, "signature");
    v->fileSize = any(o, "fileSize");
    return v;
}

dept_tree_node_spt dept_tree_node_t::from_json(const QJsonObject& o) {
    auto d = dept_tree_node_spt::create();
    d->id = text(o, "id");
    d->label = text(o, "label");
    d->status = text(o, "status");
    const QJsonValue children = o.value(QLatin1String("children"));
    if (children.isArray())
        for (const QJsonValue& child : children.toArray())
            d->children << from_json(child.toObject());
    return d;
}

user_role_spt user_role_t::from_json(const QJsonObject& o) {
    auto r = user_role_spt::create();
    r->roleId = text(o, "roleId");
    r->roleName = text(o, "roleName");
    r->roleKey = text(o, "roleKey");
    r->dataScope = text(o, "dataScope");
    const QJsonValue depts = o.value(QLatin1String("deptRoleDataList"));
    if (depts.isArray())
        for (const QJsonValue& d : depts.toArray())
            r->deptRoleDataList.insert(text(d.toObject(), "deptId"),
                                       text(d.toObject(), "deptName"));
    return r;
}

dept_role_data_spt dept_role_data_t::from_json(const QJsonObject& o) {
    auto d = dept_role_data_spt::create();
    d->deptId = text(o, "deptId");
    d->deptName = text(o, "deptName");
    d->roleIds = string_list(o.value(QLatin1String("roleIds")));
    d->roleKeys = string_list(o.value(QLatin1String("roleKeys")));
    d->dataScopes = string_list(o.value(QLatin1String("dataScopes")));
    return d;
}

user_login_info_spt user_login_info_t::from_json(const QJsonObject& o) {
    auto u = user_login_info_spt::create();
    u->account = text(o, "account");
    u->userId = any(o, "userId");
    u->userName = text(o, "userName");
    u->accountType = number_int(o, "accountType");
    u->loginStatus = text(o, "loginStatus");
    u->loginType = text(o, "loginType");
    u->deptId = text(o, "deptId");
    u->deptName = text(o, "deptName");
    u->email = text(o, "email");
    u->phoneNumber = text(o, "phoneNumber");
    u->sex = text(o, "sex");
    u->avatar = text(o, "avatar");
    u->adminType = number_int(o, "adminType");

    const QJsonValue roles = o.value(QLatin1String("userRoleList"));
    if (roles.isArray())
        for (const QJsonValue& r : roles.toArray())
            u->userRoleList << user_role_t::from_json(r.toObject());

    const QJsonValue map = o.value(QLatin1String("deptRoleTreeMap"));
    if (map.isObject()) {
        const QJsonValue tree = map.toObject().value(QLatin1String("deptAllTree"));
        if (tree.isArray())
            for (const QJsonValue& node : tree.toArray())
                u->deptAllTree << dept_tree_node_t::from_json(node.toObject());
        const QJsonValue rights = map.toObject().value(QLatin1String("checkDeptDataList"));
        if (rights.isArray())
            for (const QJsonValue& entry : rights.toArray())
                if (!entry.toObject().isEmpty())
                    u->checkDeptDataList << dept_role_data_t::from_json(entry.toObject());
    }
    return u;
}

void register_meta_types() {
    qRegisterMetaType<category_node_t>("category_node_t");
    qRegisterMetaType<category_node_spt>("category_node_spt");
    qRegisterMetaType<category_node_t*>("category_node_t*");
    qRegisterMetaType<script_node_t>("script_node_t");
    qRegisterMetaType<script_node_spt>("script_node_spt");
    qRegisterMetaType<script_node_t*>("script_node_t*");
    qRegisterMetaTypeStreamOperators<script_node_spt>("script_node_spt");
    qRegisterMetaType<sticker_node_t>("sticker_node_t");
    qRegisterMetaType<sticker_node_spt>("sticker_node_spt");
    qRegisterMetaType<phrase_node_t>("phrase_node_t");
    qRegisterMetaType<phrase_node_spt>("phrase_node_spt");
    qRegisterMetaType<quick_reply_node_t>("quick_reply_node_t");
    qRegisterMetaType<quick_reply_node_spt>("quick_reply_node_spt");
    qRegisterMetaType<version_update_info_t>("version_update_info_t");
    qRegisterMetaType<version_update_info_spt>("version_update_info_spt");
    // The same types under the names signals declare them with.
    qRegisterMetaType<category_node_spt>("quorvel::category_node_spt");
    qRegisterMetaType<script_node_spt>("quorvel::script_node_spt");
    qRegisterMetaType<sticker_node_spt>("quorvel::sticker_node_spt");
    qRegisterMetaType<phrase_node_spt>("quorvel::phrase_node_spt");
    qRegisterMetaType<quick_reply_node_spt>("quorvel::quick_reply_node_spt");
    qRegisterMetaType<version_update_info_spt>("quorvel::version_update_info_spt");
    qRegisterMetaType<doc_node_spt>("doc_node_spt");
    qRegisterMetaType<doc_node_spt>("quorvel::doc_node_spt");
    qRegisterMetaType<QList<selected_file_info_t>>("QList<quorvel::selected_file_info_t>");
}

} // namespace quorvel
