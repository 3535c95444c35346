#include "ui/docs/select_clouddoc_dialog.h"

#include "model/data_center.h"
#include "protocol/protocol.h"
#include "ui/docs/doc_category_chooser.h"
#include "ui/docs/doc_kinds.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <QVBoxLayout>

namespace quorvel {

namespace {
constexpr int doc_data = Qt::UserRole + 10; // doc_node_spt of a document leaf

bool is_type(const QString& type, const char* code) {
    return type == QLatin1String(code);
}
} // namespace

select_clouddoc_dialog::select_clouddoc_dialog(int mode, QWidget* parent)
    : base_dialog(parent), mode_(mode), tree_(new QTreeWidget(this)),
      confirm_(new QPushButton(QStringLiteral("确认"), this)) {
    setAttribute(Qt::WA_DeleteOnClose);
    set_title(QStringLiteral("选择文档"));
    setFixedSize(448, 549);
    QFont font = tree_->font();
    font.setPointSize(11);
    tree_->setFont(font);
    tree_->setHeaderHidden(true);
    tree_->setColumnCount(1);

    const doc_map_t& docs = data_center::instance().docs_by_category();
    add_doc_category_items(tree_->invisibleRootItem(), top_level_id,
                           [this, &docs](QTreeWidgetItem* item, const category_node_spt& node) {
                               for (const doc_node_spt& doc : docs.value(node->id)) {
                                   if (!doc || !lists(mode_, *doc))
                                       continue;
                                   auto* leaf = new QTreeWidgetItem(item, {doc->fileName});
                                   leaf->setFlags(leaf->flags() | Qt::ItemIsUserCheckable);
                                   leaf->setCheckState(0, Qt::Unchecked);
                                   leaf->setData(0, doc_data, QVariant::fromValue(doc));
                               }
                           });
    // Top-level categories named by the marker are the attachments' own.
    for (int i = tree_->topLevelItemCount() - 1; i >= 0; --i) {
        const auto node =
            tree_->topLevelItem(i)->data(0, doc_role::node).value<category_node_spt>();
        if (node && doc_kinds::is_marked_category(node->classifyName))
            delete tree_->takeTopLevelItem(i);
    }
    tree_->expandAll();

    auto* close = new QPushButton(QStringLiteral("关闭"), this);
    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(20);
    buttons->addStretch();
    buttons->addWidget(confirm_);
    buttons->addWidget(close);
    auto* body = new QVBoxLayout;
    body->setContentsMargins(20, 20, 20, 20);
    body->addWidget(tree_);
    body->addLayout(buttons);
    add_content_layout(body);
    connect(confirm_, &QPushButton::clicked, this, &select_clouddoc_dialog::confirm);
    connect(close, &QPushButton::clicked, this, &QWidget::close);
}

bool select_clouddoc_dialog::lists(int mode, const doc_node_t& doc) {
    switch (mode) {
    case audio:
        return doc_kinds::is_audio(doc.fileSuffix);
    case video:
        return doc_kinds::is_video(doc.fileSuffix);
    default:
        return true;
    }
}

selected_file_info_t select_clouddoc_dialog::info_of(const doc_node_t& doc) {
    selected_file_info_t info;
    info.name = doc.fileName;
    info.suffix = doc.fileSuffix;
    if (is_type(doc.fileType, protocol::file_type::address)) {
        info.location = doc.fileContent;
    } else if (is_type(doc.fileType, protocol::file_type::stored)) {
        info.location = doc.fileId;
        if (info.suffix.isEmpty() && doc.nasFile)
            info.suffix = doc.nasFile->fileSuffix;
    }
    return info;
}

void select_clouddoc_dialog::confirm() {
    QList<selected_file_info_t> files;
    for (QTreeWidgetItemIterator it(tree_); *it; ++it) {
        const auto doc = (*it)->data(0, doc_data).value<doc_node_spt>();
        if (doc && (*it)->checkState(0) == Qt::Checked)
            files << info_of(*doc);
    }
    emit selected_files(files);
    close();
}

} // namespace quorvel
