#include "ui/kb/transfer_category_widget.h"

#include "model/data_center.h"
#include "model/session_state.h"
#include "net/actions/category_actions.h"
#include "net/actions/category_scripts_fetch.h"
#include "ui/library/select_department_menu.h"
#include "ui/widgets/custom_button.h"
#include "ui/widgets/status_text.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QRadioButton>
#include <QThread>
#include <spdlog/spdlog.h>

namespace quorvel {

namespace {

constexpr int dept_part = int(protocol::part::dept);
constexpr int personal_part = int(protocol::part::personal);

} // namespace

transfer_category_widget::transfer_category_widget(int mode, const category_node_spt& category,
                                                   QWidget* parent)
    : base_dialog(parent), mode_(mode), category_(category), parts_(new QButtonGroup(this)),
      dept_label_(new QLabel(QStringLiteral("部门"), this)),
      dept_picker_(new combobox_button(this)),
      parent_label_(new QLabel(QStringLiteral("一级分类"), this)),
      parent_combo_(new QComboBox(this)), hint_(new QLabel(this)), status_(new QLabel(this)),
      save_(new custom_button(this)), close_button_(new custom_button(this)),
      actions_(new category_actions(this)) {
    setAttribute(Qt::WA_DeleteOnClose);
    const QString verb = mode_ == move_mode ? QStringLiteral("移动") : QStringLiteral("复制");
    set_title(verb + QStringLiteral("分类"));

    auto* part_row = new QHBoxLayout;
    const QStringList part_names{QStringLiteral("公共"), QStringLiteral("个人"),
                                 QStringLiteral("部门")};
    for (int id = 0; id < part_names.size(); ++id) {
        auto* button = new QRadioButton(part_names[id], this);
        parts_->addButton(button, id);
        part_row->addWidget(button);
    }
    part_row->addStretch();
    const int own_part = category_ ? category_->classifyType.toInt() : 0;
    if (QAbstractButton* own = parts_->button(own_part))
        own->setChecked(true);

    const session_state& login = session_state::instance();
    const dept_tree_node_spt current = login.departments().value(login.dept_id());
    if (current) {
        dept_picker_->setText(current->label);
        dept_picker_->setProperty("id", current->id);
    }

    hint_->setText(first_level()
                       ? QStringLiteral("提示：当前分类已有子分类，不能再修改为其他分类的子分类")
                       : QStringLiteral("提示：%1分类为一级分类时，请选择【顶级分类】").arg(verb));
    hint_->setWordWrap(true);

    auto* bottom =
        status_text::bottom_row(status_, save_, QStringLiteral("保存"), close_button_, 10);

    auto* form = new QFormLayout;
    form->setContentsMargins(10, 10, 10, 10);
    form->setSpacing(15);
    form->addRow(new QLabel(QStringLiteral("知识库"), this), part_row);
    form->addRow(dept_label_, dept_picker_);
    form->addRow(parent_label_, parent_combo_);
    form->addRow(hint_);
    form->addRow(bottom);
    add_content_layout(form);

    on_part_clicked(parts_->checkedId());
    parent_label_->setVisible(!first_level());
    parent_combo_->setVisible(!first_level());

    connect(parts_, QOverload<int>::of(&QButtonGroup::buttonClicked), this,
            &transfer_category_widget::on_part_clicked);
    connect(dept_picker_, &combobox_button::show_menu_requested, this,
            &transfer_category_widget::show_department_menu);
    connect(save_, &QToolButton::clicked, this, &transfer_category_widget::save);
    connect(close_button_, &QToolButton::clicked, this, &QWidget::close);
}

transfer_category_widget::~transfer_category_widget() {
    // Closed while fetching: the thread must not outlive its dialog.
    if (!worker_thread_)
        return;
    worker_thread_->quit();
    worker_thread_->wait();
    delete worker_;
}

bool transfer_category_widget::first_level() const {
    return !category_ || category_->superId == top_level_id;
}

bool transfer_category_widget::department_row_shown() const {
    return !dept_picker_->isHidden();
}

bool transfer_category_widget::parent_row_shown() const {
    return !parent_combo_->isHidden();
}

void transfer_category_widget::on_part_clicked(int part) {
    dept_label_->setVisible(part == dept_part);
    dept_picker_->setVisible(part == dept_part);
    fill_parents(part);
}

void transfer_category_widget::restrict_to_personal() {
    for (int part : {int(protocol::part::pub), dept_part})
        parts_->button(part)->setEnabled(false);
    parts_->button(personal_part)->setChecked(true);
    fill_parents(personal_part);
    dept_label_->hide();
    dept_picker_->hide();
    parent_label_->setVisible(!first_level());
    parent_combo_->setVisible(!first_level());
}

void transfer_category_widget::fill_parents(int part) {
    if (first_level())
        return;
    parent_combo_->clear();
    const data_center& dc = data_center::instance();
    const QString dept = part == dept_part ? dept_picker_->property("id").toString() : QString();
    const QList<category_node_spt>* tops = dc.top_categories(library_kind::scripts, part, dept);
    if (!tops || tops->isEmpty())
        return;
    parent_combo_->addItem(QStringLiteral("顶级分类"));
    for (const category_node_spt& top : *tops) {
        if (!top) {
            spdlog::warn("transfer category...refreash category...null node!!!");
            continue;
        }
        parent_combo_->addItem(top->classifyName, QVariant::fromValue(top));
    }
    parent_combo_->setCurrentIndex(0);
}

void transfer_category_widget::show_department_menu() {
    auto* menu = new select_department_menu(this);
    connect(menu, &select_department_menu::item_selected, this,
            &transfer_category_widget::choose_department);
    menu->popup_under(dept_picker_, dept_picker_->width());
}

void transfer_category_widget::choose_department(const QString& dept_id, const QString& name) {
    dept_picker_->setText(name);
    dept_picker_->setProperty("id", dept_id);
    fill_parents(dept_part);
}

void transfer_category_widget::save() {
    save_->setEnabled(false);
    const int part = parts_->checkedId();
    QString dept = top_level_id;
    if (part == dept_part) {
        dept = dept_picker_->property("id").toString();
        spdlog::debug("select deptid {} with name {}", dept.toStdString(),
                      dept_picker_->text().toStdString());
    }
    QString super_id = top_level_id;
    if (!first_level() && parent_combo_->currentIndex() > 0)
        if (const auto parent = parent_combo_->currentData().value<category_node_spt>())
            super_id = parent->id;
    actions_->transfer_category(
        category_, mode_ == copy_mode, part, dept, super_id,
        [this](const action_result_t& result, const category_node_spt& placed) {
            if (!result.ok) {
                status_->setText(status_text::failure(mode_ == move_mode ? QStringLiteral("移动")
                                                                         : QStringLiteral("复制"),
                                                      result.error));
                save_->setEnabled(true);
                return;
            }
            on_placed(placed);
        });
}

void transfer_category_widget::on_placed(const category_node_spt& placed) {
    status_->setText(status_text::progress(QStringLiteral("同步分类...")));
    actions_->load_transferred(
        placed, [this, placed](const action_result_t& result, const QList<category_node_spt>& set) {
            if (!result.ok)
                return reload_after_failure(
                    placed, status_text::failure(QStringLiteral("同步分类信息失败"), result.error));
            on_branch_loaded(placed, set);
        });
}

void transfer_category_widget::on_branch_loaded(const category_node_spt& placed,
                                                const QList<category_node_spt>& set) {
    status_->setText(status_text::progress(QStringLiteral("同步话术...")));
    // Blocking queries on a worker thread; the store is only written back
    // here, on the GUI thread, once the thread has finished.
    worker_thread_ = new QThread(this);
    worker_ = new category_scripts_fetch(set);
    worker_->moveToThread(worker_thread_);
    QThread* thread = worker_thread_;
    category_scripts_fetch* worker = worker_;
    connect(thread, &QThread::started, worker, [worker, thread] {
        worker->run();
        thread->quit();
    });
    // Queued: the thread emits finished itself; the worker is deleted there.
    connect(thread, &QThread::finished, this, [this, placed] { on_scripts_fetched(placed); });
    thread->start(QThread::InheritPriority);
}

void transfer_category_widget::on_scripts_fetched(const category_node_spt& placed) {
    const int failed = worker_->failed();
    actions_->merge_fetched_scripts(worker_->scripts());
    delete worker_;
    worker_ = nullptr;
    worker_thread_->deleteLater();
    worker_thread_ = nullptr;
    if (failed > 0)
        return reload_after_failure(
            placed, status_text::failure(QStringLiteral("同步话术信息失败"), QString()));
    emit transfer_finished(placed);
    status_->setText(status_text::success(QStringLiteral("操作成功")));
    save_->setEnabled(true);
}

void transfer_category_widget::reload_after_failure(const category_node_spt& placed,
                                                    const QString& failure) {
    status_->setText(failure + status_text::progress(QStringLiteral("，正在从服务器重新加载...")));
    QList<QPair<int, QString>> parts{{placed->classifyType.toInt(), placed->deptId}};
    if (mode_ == move_mode && category_)
        parts << qMakePair(category_->classifyType.toInt(), category_->deptId);
    if (parts.size() == 2 && parts[0] == parts[1])
        parts.removeLast();
    auto pending = QSharedPointer<int>::create(parts.size());
    auto reloaded = QSharedPointer<bool>::create(true);
    for (const auto& [part, dept] : parts)
        actions_->reload_part(part, dept, [=](const action_result_t& result) {
            *reloaded = *reloaded && result.ok;
            if (--*pending > 0)
                return;
            status_->setText(
                failure +
                (*reloaded ? status_text::progress(QStringLiteral("，已从服务器重新加载"))
                           : status_text::failure(QStringLiteral("，重新加载失败"), QString())));
            save_->setEnabled(true);
        });
}

} // namespace quorvel
