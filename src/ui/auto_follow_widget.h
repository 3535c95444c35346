#pragma once

#include <QPointer>
#include <QWidget>

class QLineEdit;
class QMenu;
class QStackedLayout;

namespace quorvel {

class custom_button;
class flow_layout_widget;
class instant_search;

// The bar docked under the chat window: phrase buttons (or the search
// history), quick replies, and the search field.
class auto_follow_widget : public QWidget {
    Q_OBJECT
public:
    explicit auto_follow_widget(QWidget* parent = nullptr);
    ~auto_follow_widget() override;

    void rebuild_phrase_buttons();
    // The height its content needs at a width (no blank rows).
    int content_height(int width) const;
    QLineEdit* search_field() const { return search_; }
    QStackedLayout* pages() const { return pages_; }
    custom_button* quick_reply_button() const { return quick_reply_; }
    custom_button* add_phrase_button() const { return add_phrase_; }
    // The managers while they are open.
    QWidget* phrase_manager() const { return phrase_manager_; }
    QWidget* quick_reply_manager() const { return quick_reply_manager_; }
    instant_search* instant() const { return instant_; }
    custom_button* documents_button() const { return documents_; }
    // Page 1: the searches that led to a send, after "删除".
    void rebuild_search_history();
    // The quick-reply entries and, after a separator, the manager entry.
    void fill_quick_reply_menu(QMenu* menu);

signals:
    void size_changed(QSize old_size, QSize new_size);

public slots:
    void quick_reply_settings();
    void phrase_settings();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void load_quick_replies();
    void show_quick_reply_menu();
    void hide_upper_row();
    void show_upper_row();
    void fit_height();

    QStackedLayout* pages_;
    flow_layout_widget* phrases_;
    flow_layout_widget* history_;
    QWidget* lower_row_;
    custom_button* show_;
    custom_button* quick_reply_;
    QLineEdit* search_;
    custom_button* add_phrase_;
    QPointer<QWidget> phrase_manager_;
    QPointer<QWidget> quick_reply_manager_;
    custom_button* documents_;
    instant_search* instant_;
    int saved_height_ = 0;
};

} // namespace quorvel
