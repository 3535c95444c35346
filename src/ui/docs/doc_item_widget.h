#pragma once

#include "model/data_center.h"
#include "model/records.h"
#include "ui/docs/doc_kinds.h"
#include "ui/widgets/context_menu.h"

#include <QHash>
#include <QSet>
#include <QWidget>
#include <functional>

class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QMenu;
class QStackedLayout;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace quorvel {

class add_doc_dialog;
class batch_download;
class blank_doc_widget;
class custom_button;
class delete_doc_category;
class delete_doc_dialog;
class doc_transfer_dialog;
struct doc_row_change_t;
class document_actions;
class new_doc_category;
class update_doc_category;
class update_doc_item_dialog;

// Item data of the list rows.
namespace doc_row {
inline constexpr int doc = Qt::UserRole;       // doc_node_spt
inline constexpr int state = Qt::UserRole + 1; // QString, a download's state, else empty
} // namespace doc_row

// The cloud-document page: the category tree, the document list with its
// type filter and sync states, search, on-demand download and sending. It
// reads the store, changes the library through the document actions and
// dialogs, and renders the store's change signal.
class doc_item_widget : public QWidget {
    Q_OBJECT
public:
    using menu_entry_t = quorvel::menu_entry_t; // the widget kit's context menus

    explicit doc_item_widget(QWidget* parent = nullptr);
    // Small: the main window takes its minimum width from its pages, and
    // the tree and list would ask for far more than the docked column has.
    QSize sizeHint() const override { return {200, 300}; }

    QLineEdit* search_edit() const { return search_; }
    QTreeWidget* tree() const { return tree_; }
    QTreeWidgetItem* root_item() const { return root_; }
    QListWidget* list() const { return list_; }
    QLabel* status() const { return status_; }
    QStackedLayout* pages() const { return pages_; }
    custom_button* add_button() const { return add_; }
    QToolButton* filter_button() const { return filter_button_; }
    blank_doc_widget* blank() const { return blank_; }

    // The category the list shows; empty for "云文档" and search results.
    QString shown_category() const;
    // The documents of the rows not filtered out, in list order.
    QList<doc_node_spt> shown_docs() const;
    QListWidgetItem* row_of(const QString& doc_id) const;
    static QString state_of(const QListWidgetItem* row);
    static doc_node_spt doc_of(const QListWidgetItem* row);

    void show_category(const QString& category_id); // as choosing it in the tree
    void show_all();
    // What a successful search shows: "云文档" current and exactly the results.
    void show_search_results(const QList<doc_node_spt>& docs);
    doc_filter filter() const { return filter_; }
    void set_filter(doc_filter filter);
    QMenu* filter_menu(); // made on first use

    QList<menu_entry_t> row_menu(QListWidgetItem* row);
    QList<menu_entry_t> tree_menu(QTreeWidgetItem* item); // nullptr: empty space
    QList<menu_entry_t> add_menu();

    // Sends the cached file, or downloads it first.
    void send_or_download(const doc_node_spt& doc);
    void download(const doc_node_spt& doc);
    void pin_doc(const doc_node_spt& doc, bool to_top);
    void refresh_category(const QString& category_id, const QString& failure_format);

    add_doc_dialog* open_add_doc();
    update_doc_item_dialog* open_update_doc(const doc_node_spt& doc);
    delete_doc_dialog* open_delete_doc(const doc_node_spt& doc);
    doc_transfer_dialog* open_transfer_doc(const doc_node_spt& doc, bool copy);
    new_doc_category* open_new_category(bool local, const QString& parent_id);
    update_doc_category* open_update_category(const category_node_spt& category);
    delete_doc_category* open_delete_category(const category_node_spt& category);

    // Message boxes go through here so tests can read them.
    void set_message_handler(std::function<void(const QString&)> handler) {
        message_ = std::move(handler);
    }

public slots:
    void on_item_doubleclick(QListWidgetItem* item);
    void on_search_doc();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void build_tree();
    void fill_list(const QList<doc_node_spt>& docs);
    void apply_filter();
    void show_list_or_blank();
    QList<doc_node_spt> all_docs() const;
    // A download's state, or empty when the cached file decides.
    QString override_state(const QString& doc_id) const;
    void set_row_state(const QString& doc_id, const QString& state);
    void schedule_row_widgets();
    void make_visible_row_widgets();
    void on_download_result(const QString& remote, bool ok);
    void on_rows_changed(const doc_row_change_t& change);
    void on_current_item(QTreeWidgetItem* item);
    category_node_spt current_category() const;
    bool in_attachments(const doc_node_spt& doc) const;
    template <class D> D* opened(D* dialog);

    QLineEdit* search_;
    QTreeWidget* tree_;
    QTreeWidgetItem* root_ = nullptr;
    custom_button* add_;
    QLabel* status_;
    QToolButton* filter_button_;
    QStackedLayout* pages_;
    blank_doc_widget* blank_;
    QListWidget* list_;
    QMenu* filter_menu_ = nullptr;
    doc_filter filter_ = doc_filter::all;
    bool showing_search_ = false;
    bool widgets_scheduled_ = false;
    QSet<QString> downloading_;
    QHash<QString, QString> results_;         // doc id → "同步成功" / "同步失败"
    QHash<QString, QStringList> remote_docs_; // download remote → doc ids
    batch_download* downloader_ = nullptr;
    document_actions* actions_;
    std::function<void(const QString&)> message_;
};

} // namespace quorvel
