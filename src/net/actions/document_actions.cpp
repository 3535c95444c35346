#include "net/actions/document_actions.h"

#include "model/data_center.h"
#include "net/request_center.h"
#include "protocol/protocol.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace quorvel {

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

} // namespace quorvel
