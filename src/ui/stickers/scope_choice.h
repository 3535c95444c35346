#pragma once

#include "model/records.h"

#include <QButtonGroup>
#include <QList>
#include <QWidget>

class QHBoxLayout;

namespace quorvel {

class select_department_combobox;

// The top-level sticker categories of a scope (and department).
QList<category_node_spt> top_sticker_categories(int type, const QString& dept_id);
// The department the sticker page shows, else the user's default one.
QString current_sticker_dept();
QString dept_name(const QString& dept_id);

// The "类别" radio buttons of the sticker dialogs, offering the given scopes
// (ids 0 public, 1 personal, 2 department), with the department selector
// they use for the department scope.
class scope_choice : public QWidget {
    Q_OBJECT
public:
    scope_choice(const QList<int>& scopes, QWidget* parent = nullptr);
    int scope() const { return group_->checkedId(); }
    void set_scope(int type);
    QString dept_id() const { return dept_id_; }
    QButtonGroup* group() const { return group_; }
    select_department_combobox* department() const { return department_; }
    void choose_department(const QString& id, const QString& name);

signals:
    void changed();

private:
    QButtonGroup* group_;
    select_department_combobox* department_;
    QString dept_id_;
};

} // namespace quorvel
