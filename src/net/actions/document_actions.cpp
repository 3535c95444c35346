#include "net/actions/document_actions.h"

#include "model/data_center.h"
#include "model/session_state.h"
#include "net/request_center.h"
#include "protocol/protocol.h"

#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>

namespace quorvel {

namespace {

QString trimmed_or(const QString& text, const QString& stored) {
    const QString trimmed = text.trimmed();
    return trimmed.isEmpty() ? stored : trimmed;
}

// The change body: every field as stored but the two the user edits; the
// file-store id only for a file-store document that still has its file.
QByteArray edit_body(const doc_node_t& doc, const QString& name, const QString& keywords) {
    QJsonObject body{{QStringLiteral("operateType"), protocol::edit_document::change},
                     {QStringLiteral("id"), doc.id},
                     {QStringLiteral("classifyId"), doc.classifyId},
                     {QStringLiteral("fileContent"), doc.fileContent},
                     {QStringLiteral("fileName"), name},
                     {QStringLiteral("fileSuffix"), doc.fileSuffix},
                     {QStringLiteral("fileSize"), double(doc.fileSize)},
                     {QStringLiteral("fileType"), doc.fileType},
                     {QStringLiteral("taskId"), QString()},
                     {QStringLiteral("keywords"), keywords},
                     {QStringLiteral("customShortcuts"), doc.customShortcuts}};
    if (doc.nasFile &&
        doc.fileType.toInt() == QString::fromLatin1(protocol::file_type::stored).toInt())
        body.insert(QStringLiteral("fileId"), doc.fileId);
    return QJsonDocument(body).toJson(QJsonDocument::Compact);
}

} // namespace

void document_actions::pin_doc(const doc_node_spt& doc, bool to_top, action_cb done) {
    if (!doc)
        return report(done, action_result_t::failure(QString()));
    const QJsonObject body{
        {QStringLiteral("operateType"),
         to_top ? protocol::edit_document::to_top : protocol::edit_document::to_bottom},
        {QStringLiteral("id"), doc->id},
        {QStringLiteral("classifyId"), doc->classifyId}};
    request_center::instance()->update_doc(
        QJsonDocument(body).toJson(), this,
        [done](const doc_node_spt& placed) {
            data_center::instance().update_doc(placed);
            report(done, action_result_t::success());
        },
        fail_with(done));
}

void document_actions::transfer_doc(const doc_node_spt& doc, bool copy,
                                    const QString& target_category_id, action_cb done) {
    if (!doc)
        return report(done, action_result_t::failure(QString()));
    const json_map_t params{{QStringLiteral("operateType"),
                             copy ? protocol::edit_document::copy : protocol::edit_document::move},
                            {QStringLiteral("id"), doc->id},
                            {QStringLiteral("classifyId"), target_category_id}};
    request_center::instance()->transfer_doc(
        params, this,
        [doc, copy, done](const doc_node_spt& placed) {
            data_center& dc = data_center::instance();
            if (!copy)
                dc.remove_doc(doc);
            if (placed && !placed->id.isEmpty())
                dc.merge_docs({{placed->classifyId, {placed}}});
            report(done, action_result_t::success());
        },
        fail_with(done));
}

void document_actions::delete_doc(const doc_node_spt& doc, action_cb done) {
    if (!doc)
        return report(done, action_result_t::failure(QString()));
    const json_map_t params{{QStringLiteral("operateType"), protocol::edit_document::remove},
                            {QStringLiteral("id"), doc->id},
                            {QStringLiteral("classifyId"), doc->classifyId}};
    request_center::instance()->delete_doc(
        params, this,
        [doc, done] {
            data_center::instance().remove_doc(doc);
            report(done, action_result_t::success());
        },
        fail_with(done));
}

void document_actions::edit_doc(const doc_node_spt& doc, const QString& file_name,
                                const QString& keywords, action_cb done) {
    if (!doc)
        return report(done, action_result_t::failure(QString()));
    const QByteArray body =
        edit_body(*doc, trimmed_or(file_name, doc->fileName), trimmed_or(keywords, doc->keywords));
    request_center::instance()->update_doc(
        body, this,
        [done](const doc_node_spt& changed) {
            data_center::instance().update_doc(changed);
            report(done, action_result_t::success());
        },
        fail_with(done));
}

void document_actions::save_uploaded_doc(const QString& category_id, const QString& local_path,
                                         const QString& title, const QString& file_id,
                                         action_cb done) {
    const QFileInfo file(local_path);
    const QJsonObject body{{QStringLiteral("classifyId"), category_id},
                           {QStringLiteral("fileName"), file.completeBaseName()},
                           {QStringLiteral("fileSuffix"), file.suffix().toLower()},
                           {QStringLiteral("fileSize"), double(file.size())},
                           {QStringLiteral("keywords"), title},
                           {QStringLiteral("customShortcuts"), QStringLiteral("unknown")},
                           {QStringLiteral("fileType"), protocol::file_type::stored},
                           {QStringLiteral("fileId"), file_id}};
    request_center::instance()->save_doc(
        QJsonDocument(body).toJson(QJsonDocument::Compact), this,
        [done] { report(done, action_result_t::success()); }, fail_with(done));
}

void document_actions::reload_category(const QString& category_id, action_cb done) {
    const json_map_t params{{QStringLiteral("classifyId"), category_id},
                            {QStringLiteral("account"), session_state::instance().account()},
                            {QStringLiteral("deptId"), QString()},
                            {QStringLiteral("fileName"), QString()},
                            {QStringLiteral("fileSuffix"), QString()},
                            {QStringLiteral("fileType"), QString()},
                            {QStringLiteral("taskId"), QString()},
                            {QStringLiteral("keywords"), QString()},
                            {QStringLiteral("customShortcuts"), QString()}};
    request_center::instance()->query_docs(
        params, this,
        [category_id, done](const docs_by_category_t& docs) {
            data_center::instance().replace_category_docs(category_id, docs.value(category_id));
            report(done, action_result_t::success());
        },
        fail_with(done));
}

void document_actions::search_docs(
    const QString& text,
    std::function<void(const action_result_t&, const QList<doc_node_spt>&)> done) {
    request_center::instance()->search_docs(
        text, this,
        [done](const doc_list_t& docs) {
            if (done)
                done(action_result_t::success(), docs);
        },
        [done](const QString& error) {
            if (done)
                done(action_result_t::failure(error), {});
        });
}

void document_actions::create_category(
    const QString& name, const QString& parent_id,
    std::function<void(const action_result_t&, const category_node_spt&)> done) {
    const json_map_t params{
        {QStringLiteral("clientBusinessType"), protocol::business::documents},
        {QStringLiteral("classifyName"), name.trimmed()},
        {QStringLiteral("superiorId"), parent_id.isEmpty() ? top_level_id : parent_id},
        {QStringLiteral("classifyType"), protocol::part_personal},
        {QStringLiteral("deptId"), QString()}};
    request_center::instance()->create_category(
        params, this,
        [done](const category_node_spt& created) {
            data_center::instance().add_category(library_kind::documents, created);
            if (done)
                done(action_result_t::success(), created);
        },
        [done](const QString& error) {
            if (done)
                done(action_result_t::failure(error), {});
        });
}

void document_actions::rename_category(const category_node_spt& category, const QString& name,
                                       action_cb done) {
    if (!category)
        return report(done, action_result_t::failure(QString()));
    const json_map_t params{
        {QStringLiteral("operateType"), protocol::edit_category::rename},
        {QStringLiteral("id"), category->id},
        {QStringLiteral("classifyName"), trimmed_or(name, category->classifyName)},
        {QStringLiteral("superId"), category->superId},
        {QStringLiteral("classifyType"), protocol::part_personal},
        {QStringLiteral("whetherToUnfold"), QStringLiteral("0")},
        {QStringLiteral("clientBusinessType"), protocol::business::documents},
        {QStringLiteral("deptId"), QString()}};
    request_center::instance()->update_category(
        params, this,
        [category, done](const category_node_spt& renamed) {
            auto changed = category_node_spt::create(*category);
            if (renamed)
                changed->classifyName = renamed->classifyName;
            data_center::instance().update_category(library_kind::documents, changed);
            report(done, action_result_t::success());
        },
        fail_with(done));
}

void document_actions::delete_category(const category_node_spt& category, action_cb done) {
    if (!category)
        return report(done, action_result_t::failure(QString()));
    const json_map_t params{{QStringLiteral("operateType"), protocol::edit_category::remove},
                            {QStringLiteral("classifyType"), protocol::part_personal},
                            {QStringLiteral("deptId"), QString()},
                            {QStringLiteral("clientBusinessType"), protocol::business::documents},
                            {QStringLiteral("id"), category->id}};
    request_center::instance()->delete_category(
        params, this,
        [category, done] {
            data_center::instance().remove_category(library_kind::documents, category);
            report(done, action_result_t::success());
        },
        fail_with(done));
}

} // namespace quorvel
