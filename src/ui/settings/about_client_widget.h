#pragma once

#include <QPointer>
#include <QWidget>

class QToolButton;

namespace quorvel {

class update_guide_widget;

// "关于Quorvel": version, a manual update check, help and how to reach us.
class about_client_widget : public QWidget {
    Q_OBJECT
public:
    explicit about_client_widget(QWidget* parent = nullptr);

    QToolButton* update_button() const { return update_; }
    update_guide_widget* update_dialog() const;

public slots:
    void visit_help();
    void visit_home();
    void check_update();

private:
    QToolButton* update_;
    QPointer<update_guide_widget> dialog_;
};

} // namespace quorvel
