#pragma once

#include <QDataStream>
#include <QHash>
#include <QJsonObject>
#include <QList>
#include <QMetaType>
#include <QSharedPointer>
#include <QString>
#include <QStringList>

namespace quorvel {

// Library records as the backend sends them; field names are the JSON keys.

struct category_node_t {
    QString id;
    QString superId;
    QString classifyName;
    QString deptId;
    QString clientBusinessType; // "300" stickers, "310" scripts, "320" documents
    QString classifyType;       // "0" public, "1" personal, "2" department
    qint64 sort = 0;
    int whetherToUnfold = 0;

    static QSharedPointer<category_node_t> from_json(const QJsonObject& o);
};
using category_node_spt = QSharedPointer<category_node_t>;

struct script_node_t {
    QString id;
    QString speechContentKeywords;
    QString speechContent;
    QString deptId;
    QString classifyId;
    QString classifyType;
    QString customShortcuts;
    qint64 sort = 0;
    QString creatorAccount;
    QString lastUpdateAccount;
    QString createTime;
    QString lastUpdateDate;

    static QSharedPointer<script_node_t> from_json(const QJsonObject& o);
};
using script_node_spt = QSharedPointer<script_node_t>;

// The stream form: every field in declaration order, sort as qint64.
QDataStream& operator<<(QDataStream& out, const script_node_spt& script);
QDataStream& operator>>(QDataStream& in, script_node_spt& script);

struct nas_file_t {
    QString id;
    QString account;
    int accountType = 0;
    int whetherMyFile = 0;
    QString localFileName;
    QString localFilePath;
    QString fileSuffix;
    qint64 fileSize = 0;
    QString fileType;
    QString mimeType;
    QString createTime;
    QString lastUpdateDate;
    QString sha256Hex;

    static QSharedPointer<nas_file_t> from_json(const QJsonObject& o);
};
using nas_file_spt = QSharedPointer<nas_file_t>;

struct sticker_node_t {
    QString id;
    QString account;
    QString accountType;
    QString classifyId;
    QString classifyName;
    QString deptId;
    QString classifyType;
    QString emojiContent;
    QString emojiContentDesc;
    QString emojiContentMatchKeywords;
    QString emojiType; // "2" image address, "3" file-store image
    qint64 sort = 0;
    int validStatus = 0;
    QString creatorAccount;
    QString createTime;
    QString lastUpdateAccount;
    QString lastUpdateDate;
    QString fileId;
    nas_file_spt nasFile;

    static QSharedPointer<sticker_node_t> from_json(const QJsonObject& o);
};
using sticker_node_spt = QSharedPointer<sticker_node_t>;

struct doc_node_t {
    QString id;
    QString classifyId;
    QString deptId;
    QString classifyType;
    QString fileContent;
    QString fileName;
    QString fileSuffix;
    qint64 fileSize = 0;
    QString fileType; // "0" address, "3" file-store file
    QString keywords;
    QString customShortcuts;
    QString creatorAccount;
    QString lastUpdateAccount;
    QString createTime;
    QString lastUpdateDate;
    QString sha256Hex;
    qint64 sort = 0;
    int validStatus = 0;
    QString fileId;
    nas_file_spt nasFile;

    static QSharedPointer<doc_node_t> from_json(const QJsonObject& o);
};
using doc_node_spt = QSharedPointer<doc_node_t>;

struct phrase_node_t {
    QString id;
    QString phraseContent;
    int validStatus = 0; // 1: invalid, dropped when lists are read
    qint64 sort = 0;

    static QSharedPointer<phrase_node_t> from_json(const QJsonObject& o);
};
using phrase_node_spt = QSharedPointer<phrase_node_t>;

struct quick_reply_node_t {
    QString id;
    QString speechId;
    QString classifyId;
    QString deptId;
    QString classifyType;

    static QSharedPointer<quick_reply_node_t> from_json(const QJsonObject& o);
};
using quick_reply_node_spt = QSharedPointer<quick_reply_node_t>;

struct version_update_info_t {
    bool isForceUpdate = false;
    bool isSilentInstall = false;
    QString installArgs;
    QString sha256;
    QString downloadUrl;
    QString fileId;
    QString releaseNotes;
    QString latestVersion;
    QString minOsVersion;
    QString signature;   // base64 of the publisher's Ed25519 signature of the installer
    qint64 fileSize = 0; // the installer's size in bytes

    static QSharedPointer<version_update_info_t> from_json(const QJsonObject& o);
};
using version_update_info_spt = QSharedPointer<version_update_info_t>;

// One document chosen in the document picker.
struct selected_file_info_t {
    QString location; // fileContent for type "0", fileId for type "3"
    QString name;
    QString suffix;
};

// ---- the logged-in user's profile ----

struct dept_tree_node_t {
    QString id;
    QString label;
    QString status;
    QList<QSharedPointer<dept_tree_node_t>> children;

    static QSharedPointer<dept_tree_node_t> from_json(const QJsonObject& o);
};
using dept_tree_node_spt = QSharedPointer<dept_tree_node_t>;

struct user_role_t {
    QString roleId;
    QString roleName;
    QString roleKey;
    QString dataScope;
    QHash<QString, QString> deptRoleDataList; // department id → name

    static QSharedPointer<user_role_t> from_json(const QJsonObject& o);
};
using user_role_spt = QSharedPointer<user_role_t>;

struct dept_role_data_t {
    QString deptId;
    QString deptName;
    QStringList roleIds;
    QStringList roleKeys;
    QStringList dataScopes;

    static QSharedPointer<dept_role_data_t> from_json(const QJsonObject& o);
};
using dept_role_data_spt = QSharedPointer<dept_role_data_t>;

struct user_login_info_t {
    QString account;
    qint64 userId = 0;
    QString userName;
    int accountType = 0;
    QString loginStatus;
    QString loginType;
    QString deptId;
    QString deptName;
    QString email;
    QString phoneNumber;
    QString sex;
    QString avatar;
    int adminType = 0;
    QList<user_role_spt> userRoleList;
    QList<dept_tree_node_spt> deptAllTree;
    QList<dept_role_data_spt> checkDeptDataList;

    static QSharedPointer<user_login_info_t> from_json(const QJsonObject& o);
};
using user_login_info_spt = QSharedPointer<user_login_info_t>;

// Registers the records with the meta-type system; called once before the
// application object exists, after platform::register_window_handle_type.
void register_meta_types();

} // namespace quorvel

Q_DECLARE_METATYPE(quorvel::category_node_t)
Q_DECLARE_METATYPE(quorvel::category_node_spt)
Q_DECLARE_METATYPE(quorvel::category_node_t*)
Q_DECLARE_METATYPE(quorvel::script_node_t)
Q_DECLARE_METATYPE(quorvel::script_node_spt)
Q_DECLARE_METATYPE(quorvel::script_node_t*)
Q_DECLARE_METATYPE(quorvel::sticker_node_t)
Q_DECLARE_METATYPE(quorvel::sticker_node_spt)
Q_DECLARE_METATYPE(quorvel::phrase_node_t)
Q_DECLARE_METATYPE(quorvel::phrase_node_spt)
Q_DECLARE_METATYPE(quorvel::quick_reply_node_t)
Q_DECLARE_METATYPE(quorvel::quick_reply_node_spt)
Q_DECLARE_METATYPE(quorvel::version_update_info_t)
Q_DECLARE_METATYPE(quorvel::version_update_info_spt)
Q_DECLARE_METATYPE(quorvel::doc_node_t)
Q_DECLARE_METATYPE(quorvel::doc_node_spt)
Q_DECLARE_METATYPE(quorvel::selected_file_info_t)
