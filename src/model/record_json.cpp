#include "model/record_json.h"

#include <QJsonArray>

namespace quorvel {

namespace {

QJsonValue number(qint64 v) {
    return QJsonValue(static_cast<double>(v));
}

QJsonArray strings(const QStringList& list) {
    return QJsonArray::fromStringList(list);
}

template <class T> QJsonArray array_of(const QList<QSharedPointer<T>>& items) {
    QJsonArray out;
    for (const auto& item : items)
        if (item)
            out.append(to_json(*item));
    return out;
}

} // namespace

QJsonObject to_json(const category_node_t& c) {
    return {{"id", c.id},
            {"superId", c.superId},
            {"classifyName", c.classifyName},
            {"deptId", c.deptId},
            {"clientBusinessType", c.clientBusinessType},
            {"classifyType", c.classifyType},
            {"sort", number(c.sort)},
            {"whetherToUnfold", c.whetherToUnfold}};
}

QJsonObject to_json(const script_node_t& s) {
    return {{"id", s.id},
            {"speechContentKeywords", s.speechContentKeywords},
            {"speechContent", s.speechContent},
            {"deptId", s.deptId},
            {"classifyId", s.classifyId},
            {"classifyType", s.classifyType},
            {"customShortcuts", s.customShortcuts},
            {"sort", number(s.sort)},
            {"creatorAccount", s.creatorAccount},
            {"lastUpdateAccount", s.lastUpdateAccount},
            {"createTime", s.createTime},
            {"lastUpdateDate", s.lastUpdateDate}};
}

QJsonObject to_json(const nas_file_t& f) {
    return {{"id", f.id},
            {"account", f.account},
            {"accountType", f.accountType},
            {"whetherMyFile", f.whetherMyFile},
            {"localFileName", f.localFileName},
            {"localFilePath", f.localFilePath},
            {"fileSuffix", f.fileSuffix},
            {"fileSize", number(f.fileSize)},
            {"fileType", f.fileType},
            {"mimeType", f.mimeType},
            {"createTime", f.createTime},
            {"lastUpdateDate", f.lastUpdateDate},
            {"sha256Hex", f.sha256Hex}};
}

QJsonObject to_json(const sticker_node_t& s) {
    QJsonObject o{{"id", s.id},
                  {"account", s.account},
                  {"accountType", s.accountType},
                  {"classifyId", s.classifyId},
                  {"classifyName", s.classifyName},
                  {"deptId", s.deptId},
                  {"classifyType", s.classifyType},
                  {"emojiContent", s.emojiContent},
                  {"emojiContentDesc", s.emojiContentDesc},
                  {"emojiContentMatchKeywords", s.emojiContentMatchKeywords},
                  {"emojiType", s.emojiType},
                  {"sort", number(s.sort)},
                  {"validStatus", s.validStatus},
                  {"creatorAccount", s.creatorAccount},
                  {"createTime", s.createTime},
                  {"lastUpdateAccount", s.lastUpdateAccount},
                  {"lastUpdateDate", s.lastUpdateDate},
                  {"fileId", s.fileId}};
    if (s.nasFile)
        o.insert("nasFile", to_json(*s.nasFile));
    return o;
}

QJsonObject to_json(const doc_node_t& d) {
    QJsonObject o{{"id", d.id},
                  {"classifyId", d.classifyId},
                  {"deptId", d.deptId},
                  {"classifyType", d.classifyType},
                  {"fileContent", d.fileContent},
                  {"fileName", d.fileName},
                  {"fileSuffix", d.fileSuffix},
                  {"fileSize", number(d.fileSize)},
                  {"fileType", d.fileType},
                  {"keywords", d.keywords},
                  {"customShortcuts", d.customShortcuts},
                  {"creatorAccount", d.creatorAccount},
                  {"lastUpdateAccount", d.lastUpdateAccount},
                  {"createTime", d.createTime},
                  {"lastUpdateDate", d.lastUpdateDate},
                  {"sha256Hex", d.sha256Hex},
                  {"sort", number(d.sort)},
                  {"validStatus", d.validStatus},
                  {"fileId", d.fileId}};
    if (d.nasFile)
        o.insert("nasFile", to_json(*d.nasFile));
    return o;
}

QJsonObject to_json(const phrase_node_t& p) {
    return {{"id", p.id},
            {"phraseContent", p.phraseContent},
            {"validStatus", p.validStatus},
            {"sort", number(p.sort)}};
}

QJsonObject to_json(const quick_reply_node_t& q) {
    return {{"id", q.id},
            {"speechId", q.speechId},
            {"classifyId", q.classifyId},
            {"deptId", q.deptId},
            {"classifyType", q.classifyType}};
}

QJsonObject to_json(const version_update_info_t& v) {
    return {{"isForceUpdate", v.isForceUpdate}, {"isSilentInstall", v.isSilentInstall},
            {"installArgs", v.installArgs},     {"sha256", v.sha256},
            {"downloadUrl", v.downloadUrl},     {"fileId", v.fileId},
            {"releaseNotes", v.releaseNotes},   {"latestVersion", v.latestVersion},
            {"minOsVersion", v.minOsVersion},   {"signature", v.signature},
            {"fileSize", number(v.fileSize)}};
}

QJsonObject to_json(const dept_tree_node_t& d) {
    return {
        {"id", d.id}, {"label", d.label}, {"status", d.status}, {"children", array_of(d.children)}};
}

QJsonObject to_json(const user_role_t& r) {
    QJsonArray depts;
    for (auto it = r.deptRoleDataList.constBegin(); it != r.deptRoleDataList.constEnd(); ++it)
        depts.append(QJsonObject{{"deptId", it.key()}, {"deptName", it.value()}});
    return {{"roleId", r.roleId},
            {"roleName", r.roleName},
            {"roleKey", r.roleKey},
            {"dataScope", r.dataScope},
            {"deptRoleDataList", depts}};
}

QJsonObject to_json(const dept_role_data_t& d) {
    return {{"deptId", d.deptId},
            {"deptName", d.deptName},
            {"roleIds", strings(d.roleIds)},
            {"roleKeys", strings(d.roleKeys)},
            {"dataScopes", strings(d.dataScopes)}};
}

QJsonObject to_json(const user_login_info_t& u) {
    return {{"account", u.account},
            {"userId", number(u.userId)},
            {"userName", u.userName},
            {"accountType", u.accountType},
            {"loginStatus", u.loginStatus},
            {"loginType", u.loginType},
            {"deptId", u.deptId},
            {"deptName", u.deptName},
            {"email", u.email},
            {"phoneNumber", u.phoneNumber},
            {"sex", u.sex},
            {"avatar", u.avatar},
            {"adminType", u.adminType},
            {"userRoleList", array_of(u.userRoleList)},
            {"deptRoleTreeMap", QJsonObject{{"deptAllTree", array_of(u.deptAllTree)},
                                            {"checkDeptDataList", array_of(u.checkDeptDataList)}}}};
}

} // namespace quorvel
