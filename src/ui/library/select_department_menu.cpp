#include "ui/library/select_department_menu.h"

#include "model/data_center.h"
#include "model/session_state.h"

#include <QMenu>
#include <QTimer>
#include <QVBoxLayout>

namespace quorvel {

QString select_department_menu::unchoosable_tooltip() {
    return QStringLiteral("您不是该部门的管理员，不能选择该部门");
}

select_department_menu::select_department_menu(QWidget* parent)
    : QWidget(parent, Qt::Popup | Qt::FramelessWindowHint), tree_(new QTreeWidget(this)) {
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_DeleteOnClose);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(tree_);
    tree_->setHeaderHidden(true);
    tree_->setColumnCount(1);
    const user_login_info_spt& user = session_state::instance().login_user();
    if (user)
        add_departments(user->deptAllTree, nullptr);
    tree_->expandAll();

    int height = 0;
    const int row_height = tree_->fontMetrics().height();
    for (QTreeWidgetItemIterator it(tree_); *it; ++it)
        height += row_height;
    setFixedHeight(qBound(256, height, 600));
    connect(tree_, &QTreeWidget::itemClicked, this,
            [this](QTreeWidgetItem* item) { choose(item); });
}

void select_department_menu::add_departments(const QList<dept_tree_node_spt>& nodes,
                                             QTreeWidgetItem* parent) {
    for (const dept_tree_node_spt& node : nodes) {
        if (!node)
            continue;
        auto* item = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(tree_);
        item->setText(0, node->label);
        item->setData(0, Qt::UserRole, node->id);
        if (!session_state::instance().has_manager_role_in(node->id)) {
            // Looks disabled and says why; not Qt's disabled state, which
            // would also disable the sub-departments the user may manage.
            item->setFlags(Qt::ItemIsEnabled);
            item->setForeground(0, tree_->palette().brush(QPalette::Disabled, QPalette::Text));
            item->setToolTip(0, unchoosable_tooltip());
        }
        add_departments(node->children, item);
    }
}

void select_department_menu::choose(QTreeWidgetItem* item) {
    if (!item)
        return;
    const QString id = item->data(0, Qt::UserRole).toString();
    if (!session_state::instance().has_manager_role_in(id))
        return;
    emit item_selected(id, item->text(0));
    close();
}

void select_department_menu::popup_under(QWidget* anchor, int width) {
    setFixedWidth(width);
    move(anchor->mapToGlobal(QPoint(0, anchor->height())));
    show();
    raise();
    setFocus();
}

select_department_combobox::select_department_combobox(QWidget* parent) : QToolButton(parent) {
    setIcon(QIcon(QStringLiteral(":/images/icon/arrow_normal.png")));
    setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    setLayoutDirection(Qt::RightToLeft);
    setStyleSheet(QStringLiteral("QToolButton { text-align: left; }"));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    connect(this, &QToolButton::clicked, this, [this] { show_menu(); });
}

select_department_menu* select_department_combobox::show_menu() {
    auto* menu = new select_department_menu(this);
    connect(menu, &select_department_menu::item_selected, this,
            &select_department_combobox::item_selected);
    menu->popup_under(this, width());
    return menu;
}

void attach_department_picker(QToolButton* tab, QObject* context, std::function<void()> open) {
    auto* menu = new QMenu(tab);
    tab->setMenu(menu);
    tab->setPopupMode(QToolButton::MenuButtonPopup);
    // The plain menu only tells us when to open the department picker instead.
    QObject::connect(menu, &QMenu::aboutToShow, context, [menu, open] {
        QTimer::singleShot(0, menu, &QMenu::hide);
        open();
    });
}

} // namespace quorvel
