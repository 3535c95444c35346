#pragma once

#include "ui/widgets/base_dialog.h"

#include <memory>

class QListWidget;
class QStackedLayout;

namespace quorvel {

class settings_store;

// "Quorvel设置中心": a list of page names switching a stack of pages; every
// change is written at once, there is nothing to apply or cancel.
class settings_widget : public base_dialog {
    Q_OBJECT
public:
    explicit settings_widget(QWidget* parent = nullptr);
    ~settings_widget() override;

    QListWidget* page_list() const { return list_; }
    QStackedLayout* pages() const { return pages_; }
    // The page of a row, cast to its class.
    template <class T> T* page(int row) const;

signals:
    void logout_requested();

private:
    void add_page(const QString& title, QWidget* page);
    void fit_list_width();

    std::unique_ptr<settings_store> settings_;
    QListWidget* list_;
    QStackedLayout* pages_;
};

} // namespace quorvel

#include <QStackedLayout>

template <class T> T* quorvel::settings_widget::page(int row) const {
    return qobject_cast<T*>(pages_->widget(row));
}
