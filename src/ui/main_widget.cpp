#include "ui/main_widget.h"

#include "model/data_center.h"

#include <QLabel>
#include <QVBoxLayout>

namespace quorvel {

namespace {

int category_count(const category_tree_t& tree) {
    int count = 0;
    for (auto it = tree.constBegin(); it != tree.constEnd(); ++it)
        count += it->node ? 1 : 0;
    return count;
}

// Items of a kind whose classifyType names the part.
template <class T> int items_in_part(const QHash<QString, QList<T>>& lists, const QString& part) {
    int count = 0;
    for (const QList<T>& list : lists)
        for (const T& item : list)
            count += item->classifyType == part ? 1 : 0;
    return count;
}

} // namespace

main_widget::main_widget(QWidget* parent) : QWidget(parent), summary_(new QLabel(this)) {
    setWindowTitle(QStringLiteral("Quorvel"));
    setAttribute(Qt::WA_DeleteOnClose);
    auto* layout = new QVBoxLayout(this);
    const data_center& dc = data_center::instance();
    auto* user = new QLabel(
        QStringLiteral("%1（%2） · %3").arg(dc.user_name(), dc.account(), dc.dept_name()), this);
    layout->addWidget(user);
    summary_->setText(library_summary());
    summary_->setTextFormat(Qt::PlainText);
    summary_->setWordWrap(true);
    layout->addWidget(summary_);
    layout->addStretch();
    resize(360, 420);
}

QString main_widget::library_summary() {
    const data_center& dc = data_center::instance();
    const QStringList names = {QStringLiteral("公共"), QStringLiteral("个人"),
                               QStringLiteral("部门")};
    QStringList lines;
    for (int part = 0; part < 3; ++part) {
        const QString type = QString::number(part);
        int script_categories = 0, sticker_categories = 0, doc_categories = 0;
        if (part < 2) {
            script_categories = category_count(dc.script_categories[part]);
            sticker_categories = category_count(dc.sticker_categories[part]);
        } else {
            for (const category_tree_t& tree : dc.dept_script_categories)
                script_categories += category_count(tree);
            for (const category_tree_t& tree : dc.dept_sticker_categories)
                sticker_categories += category_count(tree);
        }
        for (auto it = dc.doc_categories.constBegin(); it != dc.doc_categories.constEnd(); ++it)
            doc_categories += it->node && it->node->classifyType == type ? 1 : 0;
        lines << QStringLiteral(
                     "%1：话术分类 %2，话术 %3；表情分类 %4，表情 %5；文档分类 %6，文档 %7")
                     .arg(names[part])
                     .arg(script_categories)
                     .arg(items_in_part(dc.scripts_by_category, type))
                     .arg(sticker_categories)
                     .arg(items_in_part(dc.stickers_by_category, type))
                     .arg(doc_categories)
                     .arg(items_in_part(dc.docs_by_category, type));
    }
    lines << QStringLiteral("快捷短语 %1").arg(dc.phrases.size());
    return lines.join(QLatin1Char('\n'));
}

} // namespace quorvel
