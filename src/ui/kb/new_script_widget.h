#pragma once

#include "model/records.h"
#include "sync/cache_manager.h"
#include "ui/widgets/base_dialog.h"

#include <QColor>
#include <QFileInfo>
#include <QHash>
#include <QList>
#include <QPair>

class QButtonGroup;
class QFormLayout;
class QLabel;
class QLineEdit;
class QTextEdit;
class QToolButton;

namespace quorvel {

class batch_download;
class combobox_button;
class custom_button;
class script_actions;

// The script editor: writes a new script into a category of a library part,
// or changes an existing one. The content is rich text with the date
// placeholder, paragraphs, emoji images and links to files (uploaded from
// this computer, cloud documents or stickers). After a save the script's
// files are fetched into the cache, so it can be sent at once; only then is
// the script reported, by one of the two signals.
class new_script_widget : public base_dialog {
    Q_OBJECT
public:
    new_script_widget(int part, const QString& category_id, const script_node_spt& script,
                      QWidget* parent = nullptr);

    // The keyword colours, in button order.
    static const QList<QColor>& palette();
    // Keywords as stored: "${#rrggbb}" before the text when a colour is given.
    static QString stored_keywords(const QColor& colour, const QString& text);
    // The colour prefix (invalid colour without one) and the text after it.
    static QPair<QColor, QString> split_keywords(const QString& stored);
    // The three link forms of file links in the content.
    static QString file_store_link(const QString& file_id, const QString& name,
                                   const QString& suffix, bool dotted = true);
    static QString address_link(const QString& address, const QString& name, const QString& suffix);

    // What the toolbar inserts at the cursor.
    void insert_date();
    void insert_paragraph();
    void insert_emoji(const QString& path);
    // Files uploaded from this computer: (fileId, local file) pairs.
    void insert_uploaded(const QList<QPair<QString, QFileInfo>>& files);
    void insert_stickers(const QList<sticker_node_spt>& stickers);
    void insert_clouddocs(const QList<selected_file_info_t>& files);

    void save(bool and_new);
    void retry();

    combobox_button* category_picker() const { return category_picker_; }
    category_node_spt chosen_category() const;
    QLineEdit* keywords() const { return keywords_; }
    QButtonGroup* colours() const { return colours_; }
    QTextEdit* editor() const { return editor_; }
    QLabel* status() const { return status_; }
    custom_button* save_new_button() const { return save_new_; }
    custom_button* save_button() const { return save_; }
    custom_button* retry_button() const { return retry_; }
    custom_button* dismiss_button() const { return close_; }
    QToolButton* tool_button(const QString& text) const;
    batch_download* downloader() const { return downloader_; }

signals:
    void create_script_finished(quorvel::script_node_spt node);
    void update_script_finished(quorvel::script_node_spt node);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void build_category_row(QFormLayout* form);
    void build_keyword_row(QFormLayout* form);
    void build_toolbar_row(QFormLayout* form);
    void build_button_row(QFormLayout* form);
    void fill_from_script();
    void choose_category(const category_node_spt& category);
    void show_category_menu(const QPoint& global_pos);
    void show_emoji_picker();
    void run_resource_dialog(int type);
    void insert_local_files(int type);
    void insert_library_files(int type);
    void on_saved(const QString& error, const script_node_spt& node, bool ok);
    void cache_files(const script_node_spt& node);
    void start_downloads();
    void on_downloads_finished();
    void finish_save();
    void report(script_node_spt node);

    int part_;
    QString category_id_;
    script_node_spt script_;
    combobox_button* category_picker_ = nullptr;
    QLineEdit* keywords_;
    QButtonGroup* colours_;
    QTextEdit* editor_;
    QLabel* status_;
    custom_button* save_new_;
    custom_button* save_;
    custom_button* retry_;
    custom_button* close_;
    script_actions* actions_;
    batch_download* downloader_ = nullptr;
    QHash<QString, download_task_spt> all_tasks_;
    QHash<QString, download_task_spt> failed_tasks_;
    // The save in hand: the server's record until the view has been told.
    script_node_spt unreported_;
    bool and_new_ = false;
};

} // namespace quorvel
