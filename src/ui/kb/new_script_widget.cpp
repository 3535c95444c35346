#include "ui/kb/new_script_widget.h"

#include "integration/cached_document.h"
#include "integration/composition.h"
#include "model/data_center.h"
#include "model/session_state.h"
#include "net/actions/script_actions.h"
#include "protocol/library_terms.h"
#include "protocol/protocol.h"
#include "sync/batch_download.h"
#include "ui/docs/select_clouddoc_dialog.h"
#include "ui/kb/select_emoji_widget.h"
#include "ui/kb/select_resource_widget.h"
#include "ui/script_upload_files_dialog.h"
#include "ui/stickers/select_sticker_widget.h"
#include "ui/widgets/custom_button.h"
#include "ui/widgets/custom_tree_menu.h"
#include "ui/widgets/plain_text.h"
#include "ui/widgets/status_text.h"

#include <QButtonGroup>
#include <QCloseEvent>
#include <QCursor>
#include <QDir>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QRegularExpression>
#include <QTextEdit>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <spdlog/spdlog.h>

namespace quorvel {

namespace {

constexpr int dept_part = int(protocol::part::dept);

QString dept_of_part(int part) {
    return part == dept_part ? session_state::instance().dept_id() : QString();
}

// A query value that cannot end the value early (an "&" or "#" in a file name).
QString query_value(QString text) {
    return text.replace(QLatin1Char('%'), QLatin1String("%25"))
        .replace(QLatin1Char('&'), QLatin1String("%26"))
        .replace(QLatin1Char('#'), QLatin1String("%23"))
        .replace(QLatin1Char('"'), QLatin1String("%22"));
}

QString two_hex(int value) {
    return QStringLiteral("%1").arg(value, 2, 16, QLatin1Char('0'));
}

QString colour_style(const QColor& colour, bool framed) {
    const QString format = framed
                               ? QStringLiteral("QToolButton { background-color: #%1%2%3; border: "
                                                "1px solid gray;}")
                               : QStringLiteral("QToolButton { background-color: #%1%2%3; "
                                                "border: none; }");
    return format.arg(two_hex(colour.red()), two_hex(colour.green()), two_hex(colour.blue()));
}

// The resource dialog's file filters, by type.
QString name_filter(int type) {
    static const char* filters[] = {
        "图片文件 (*.bmp *.jpg *.jpeg *.png *.gif *.tiff *.tif *.webp *.svg *.raw *.psd)",
        "视频文件 (*.mp4 *.avi *.mov *.mkv *.flv *.wmv *.rmvb *.mpeg *.mpg *.m4v *.3gp *.vob "
        "*.asf *.f4v *.webm)",
        "音频文件 (*.mp3 *.wav *.aac *.flac *.ogg *.m4a *.wma *.ape *.alac *.ac3 *.au *.aiff "
        "*.mid *.midi *.ra *.ram)",
        "电脑文件 (*.*)"};
    return QString::fromUtf8(filters[qBound(0, type, 3)]);
}

void add_category_rows(QTreeWidget* tree, QTreeWidgetItem* parent,
                       const QList<category_node_spt>& categories, int part, const QString& dept,
                       int depth = 0) {
    if (depth > 8) // categories are two levels deep; a cycle must not hang the menu
        return;
    for (const category_node_spt& category : categories) {
        if (!category)
            continue;
        auto* row = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(tree);
        row->setText(0, category->classifyName);
        row->setToolTip(0, plain_tooltip(category->classifyName));
        row->setData(0, Qt::UserRole, QVariant::fromValue(category));
        if (const QList<category_node_spt>* children = data_center::instance().category_children(
                library_kind::scripts, part, dept, category->id))
            add_category_rows(tree, row, *children, part, dept, depth + 1);
    }
}

} // namespace

// ---- the stored forms ----

const QList<QColor>& new_script_widget::palette() {
    static const QList<QColor> colours{QColor("#ffffff"), QColor("#3a84ff"), QColor("#3f51b5"),
                                       QColor("#00bcd4"), QColor("#4caf50"), QColor("#ff9800"),
                                       QColor("#f44336"), QColor("#9c27b0"), QColor("#060606")};
    return colours;
}

QString new_script_widget::stored_keywords(const QColor& colour, const QString& text) {
    if (!colour.isValid())
        return text;
    return QStringLiteral("${%1}").arg(colour.name().toLower()) + text;
}

QPair<QColor, QString> new_script_widget::split_keywords(const QString& stored) {
    static const QRegularExpression prefix(QStringLiteral(R"(^\$\{([^}]+)\})"));
    const QRegularExpressionMatch match = prefix.match(stored);
    if (!match.hasMatch())
        return {QColor(), stored};
    return {QColor(match.captured(1)), stored.mid(match.capturedLength(0))};
}

QString new_script_widget::file_store_link(const QString& file_id, const QString& name,
                                           const QString& suffix, bool dotted) {
    using namespace protocol::file_link;
    const QString href =
        file_store_placeholder + QStringLiteral("?%1=%2&%3=%4&%5=%6")
                                     .arg(QLatin1String(id_key), query_value(file_id),
                                          QLatin1String(name_key), query_value(name),
                                          QLatin1String(suffix_key), query_value(suffix));
    const QString text = dotted ? QStringLiteral("%1.%2").arg(name, suffix) : name + suffix;
    return QStringLiteral("<a href=\"%1\">%2</a>").arg(href.toHtmlEscaped(), text.toHtmlEscaped());
}

QString new_script_widget::address_link(const QString& address, const QString& name,
                                        const QString& suffix) {
    using namespace protocol::file_link;
    const QString href = QStringLiteral("%1?%2=%3&%4=%5")
                             .arg(address, QLatin1String(name_key), query_value(name),
                                  QLatin1String(suffix_key), query_value(suffix));
    return QStringLiteral("\n<a href=\"%1\">%2.%3</a>\n")
        .arg(href.toHtmlEscaped(), name.toHtmlEscaped(), suffix.toHtmlEscaped());
}

// ---- building ----

new_script_widget::new_script_widget(int part, const QString& category_id,
                                     const script_node_spt& script, QWidget* parent)
    : base_dialog(parent), part_(part), category_id_(category_id), script_(script),
      keywords_(new QLineEdit(this)), colours_(new QButtonGroup(this)),
      editor_(new QTextEdit(this)), status_(new QLabel(this)), save_new_(new custom_button(this)),
      save_(new custom_button(this)), retry_(new custom_button(this)),
      close_(new custom_button(this)), actions_(new script_actions(this)) {
    setAttribute(Qt::WA_DeleteOnClose);
    set_title(script_ ? QStringLiteral("编辑话术") : QStringLiteral("新建话术"));
    setWindowTitle(title());
    setFixedSize(600, 500);

    auto* form = new QFormLayout;
    form->setContentsMargins(10, 10, 10, 10);
    form->setSpacing(5);
    if (!script_)
        build_category_row(form);
    build_keyword_row(form);
    build_toolbar_row(form);
    // Draws the script's images from the cache only, never a file elsewhere
    // or an address the script names.
    auto* document = new cached_document(editor_);
    editor_->setDocument(document);
    document->draw_from_cache_only();
    editor_->setAcceptRichText(true);
    form->addRow(editor_);
    build_button_row(form);
    add_content_layout(form);
    if (script_)
        fill_from_script();
}

void new_script_widget::build_category_row(QFormLayout* form) {
    category_picker_ = new combobox_button(this);
    category_picker_->setFixedHeight(30);
    form->addRow(new QLabel(QStringLiteral("请选择公共分类"), this));
    form->addRow(category_picker_);
    const data_center& dc = data_center::instance();
    const category_entry_t* entry =
        dc.find_script_category_entry(dept_of_part(part_), category_id_);
    if (entry && entry->node)
        choose_category(entry->node);
    connect(category_picker_, &combobox_button::show_menu_requested, this,
            &new_script_widget::show_category_menu);
}

void new_script_widget::build_keyword_row(QFormLayout* form) {
    keywords_->setFixedHeight(30);
    keywords_->setPlaceholderText(QStringLiteral("搜索时会优先匹配关键词"));
    auto* left = new QVBoxLayout;
    left->addWidget(new QLabel(QStringLiteral("请输入关键词"), this));
    left->addWidget(keywords_);
    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(4);
    colours_->setExclusive(true);
    for (int id = 0; id < palette().size(); ++id) {
        auto* button = new QToolButton(this);
        button->setFixedSize(30, 30);
        button->setCheckable(true);
        button->setProperty("color", palette()[id]);
        button->setStyleSheet(colour_style(palette()[id], id == 0));
        colours_->addButton(button, id);
        buttons->addWidget(button);
    }
    connect(colours_, QOverload<QAbstractButton*, bool>::of(&QButtonGroup::buttonToggled), this,
            [this](QAbstractButton* button, bool checked) {
                const bool white = colours_->id(button) == 0;
                button->setIcon(
                    checked ? QIcon(white ? QStringLiteral(":/images/icon/selected.png")
                                          : QStringLiteral(":/images/icon/selected_color.png"))
                            : QIcon());
            });
    auto* right = new QVBoxLayout;
    right->addWidget(new QLabel(QStringLiteral("请选择关键词背景色"), this));
    right->addLayout(buttons);
    auto* row = new QHBoxLayout;
    row->addLayout(left, 1);
    row->addLayout(right);
    form->addRow(row);
}

void new_script_widget::build_toolbar_row(QFormLayout* form) {
    auto* row = new QHBoxLayout;
    row->setSpacing(2);
    auto* label = new QLabel(QStringLiteral("请输入话术"), this);
    label->setMinimumWidth(label->sizeHint().width()); // the seven buttons leave little room
    row->addWidget(label);
    row->addSpacing(6);
    row->addStretch();
    const QList<QPair<QString, QString>> tools{
        {QStringLiteral("图片"), QStringLiteral("script_image")},
        {QStringLiteral("视频"), QStringLiteral("script_video")},
        {QStringLiteral("音频"), QStringLiteral("script_audio")},
        {QStringLiteral("文件"), QStringLiteral("script_file")},
        {QStringLiteral("表情"), QStringLiteral("emoji_normal")},
        {QStringLiteral("变量"), QStringLiteral("script_param")},
        {QStringLiteral("分段"), QStringLiteral("split_normal")}};
    for (int i = 0; i < tools.size(); ++i) {
        auto* button = new QToolButton(this);
        button->setObjectName(tools[i].first);
        button->setText(tools[i].first);
        button->setIcon(QIcon(QStringLiteral(":/images/icon/%1.png").arg(tools[i].second)));
        button->setIconSize(QSize(24, 24));
        button->setFixedHeight(30);
        // Icon, text and a little air: seven of them must fit beside the label.
        button->setFixedWidth(24 + 10 + button->fontMetrics().horizontalAdvance(tools[i].first));
        button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        button->setAutoRaise(true);
        button->setStyleSheet(QStringLiteral(
            "QToolButton { padding: 0px; } QToolButton::menu-indicator { image: none; }"));
        row->addWidget(button);
        if (i < 4)
            connect(button, &QToolButton::clicked, this, [this, i] { run_resource_dialog(i); });
    }
    connect(tool_button(QStringLiteral("表情")), &QToolButton::clicked, this,
            &new_script_widget::show_emoji_picker);
    connect(tool_button(QStringLiteral("分段")), &QToolButton::clicked, this,
            &new_script_widget::insert_paragraph);
    QToolButton* variables = tool_button(QStringLiteral("变量"));
    auto* menu = new QMenu(variables);
    menu->addAction(QStringLiteral("插入当前日期"), this, &new_script_widget::insert_date);
    variables->setMenu(menu);
    variables->setPopupMode(QToolButton::InstantPopup);
    form->addRow(row);
}

void new_script_widget::build_button_row(QFormLayout* form) {
    auto* row = new QHBoxLayout;
    row->setContentsMargins(5, 5, 5, 0);
    row->setSpacing(5);
    status_->setTextFormat(Qt::RichText);
    row->addWidget(status_);
    row->addStretch();
    const QList<QPair<custom_button*, QString>> buttons{{save_new_, QStringLiteral("保存并新建")},
                                                        {save_, QStringLiteral("保存")},
                                                        {retry_, QStringLiteral("重试")},
                                                        {close_, QStringLiteral("关闭")}};
    for (const auto& [button, text] : buttons) {
        button->setText(text);
        button->setFixedHeight(30);
        row->addWidget(button);
    }
    retry_->setEnabled(false);
    form->addRow(row);
    connect(save_new_, &QToolButton::clicked, this, [this] { save(true); });
    connect(save_, &QToolButton::clicked, this, [this] { save(false); });
    connect(retry_, &QToolButton::clicked, this, &new_script_widget::retry);
    connect(close_, &QToolButton::clicked, this, &QWidget::close);
}

void new_script_widget::fill_from_script() {
    // 保存并新建 would only save the edit again: it stays off while editing.
    save_new_->setEnabled(false);
    const auto [colour, text] = split_keywords(script_->speechContentKeywords);
    keywords_->setText(colour.isValid() ? text : script_->speechContentKeywords);
    if (colour.isValid())
        for (int id = 0; id < palette().size(); ++id)
            if (palette()[id].name() == colour.name())
                colours_->button(id)->setChecked(true);
    editor_->setHtml(script_->speechContent);
}

QToolButton* new_script_widget::tool_button(const QString& text) const {
    return findChild<QToolButton*>(text);
}

// ---- the category ----

category_node_spt new_script_widget::chosen_category() const {
    return category_picker_ ? category_picker_->property("node_data").value<category_node_spt>()
                            : category_node_spt();
}

void new_script_widget::choose_category(const category_node_spt& category) {
    if (!category_picker_ || !category)
        return;
    category_picker_->setText(category->classifyName);
    category_picker_->setProperty("node_data", QVariant::fromValue(category));
}

void new_script_widget::show_category_menu(const QPoint& global_pos) {
    auto* menu = new custom_tree_menu(this);
    menu->setFixedWidth(category_picker_->width());
    QFont font = menu->tree()->font();
    font.setPointSize(11);
    menu->tree()->setFont(font);
    const int part = part_;
    const QString dept = dept_of_part(part_);
    const QString current = chosen_category() ? chosen_category()->id : category_id_;
    menu->fill([part, dept, current, this](QTreeWidget* tree) {
        const QList<category_node_spt>* tops =
            data_center::instance().top_categories(library_kind::scripts, part, dept);
        add_category_rows(tree, nullptr, tops ? *tops : QList<category_node_spt>{}, part, dept);
        int rows = 0;
        for (QTreeWidgetItemIterator it(tree); *it; ++it, ++rows) {
            const category_node_spt node = (*it)->data(0, Qt::UserRole).value<category_node_spt>();
            if (node && node->id == current) {
                tree->setCurrentItem(*it);
                choose_category(node);
            }
        }
        return rows * QFontMetrics(tree->font()).height();
    });
    connect(menu, &custom_tree_menu::item_clicked, this, [this, menu](QTreeWidgetItem* row) {
        choose_category(row->data(0, Qt::UserRole).value<category_node_spt>());
        menu->close();
    });
    menu->move(global_pos);
    menu->show();
}

// ---- inserting ----

void new_script_widget::insert_date() {
    editor_->textCursor().insertText(QStringLiteral("${日期}"));
}

void new_script_widget::insert_paragraph() {
    editor_->textCursor().insertBlock();
}

void new_script_widget::insert_emoji(const QString& path) {
    editor_->textCursor().insertImage(path);
}

void new_script_widget::show_emoji_picker() {
    auto* picker = new select_emoji_widget(this);
    connect(picker, &select_emoji_widget::emoji_selected, this, &new_script_widget::insert_emoji);
    const QPoint corner = QCursor::pos();
    picker->move(corner - QPoint(picker->width(), picker->height()));
    picker->show();
}

void new_script_widget::run_resource_dialog(int type) {
    select_resource_widget dialog(type, this);
    dialog.setAttribute(Qt::WA_DeleteOnClose, false);
    int choice = 0;
    connect(&dialog, &select_resource_widget::button1_clicked, &dialog, [&] {
        choice = 1;
        dialog.close();
    });
    connect(&dialog, &select_resource_widget::button2_clicked, &dialog, [&] {
        choice = 2;
        dialog.close();
    });
    dialog.exec();
    if (choice == 1)
        insert_local_files(type);
    else if (choice == 2)
        insert_library_files(type);
}

void new_script_widget::insert_local_files(int type) {
    QFileDialog picker(this);
    picker.setFileMode(QFileDialog::ExistingFiles);
    picker.setViewMode(QFileDialog::Detail);
    picker.setOption(QFileDialog::ReadOnly);
    picker.setDirectory(QDir::homePath());
    picker.setNameFilter(name_filter(type));
    if (picker.exec() != QDialog::Accepted || picker.selectedFiles().isEmpty())
        return;
    script_upload_files_dialog upload(this, picker.selectedFiles());
    upload.setAttribute(Qt::WA_DeleteOnClose, false);
    connect(&upload, &script_upload_files_dialog::upload_finished, this,
            &new_script_widget::insert_uploaded);
    upload.exec();
}

void new_script_widget::insert_uploaded(const QList<QPair<QString, QFileInfo>>& files) {
    cache_manager* cache = cache_manager::instance();
    for (const auto& [file_id, local] : files) {
        QString name = local.completeBaseName();
        name.remove(QLatin1Char(' '));
        editor_->textCursor().insertHtml(file_store_link(file_id, name, local.suffix()));
        // In the cache already, so the save need not fetch it back.
        const QString cached = cache->path_by_id(QStringLiteral("clouddoc"), file_id,
                                                 local.completeBaseName(), local.suffix());
        if (!cached.isEmpty())
            copy_file(local.absoluteFilePath(), cached);
    }
}

void new_script_widget::insert_library_files(int type) {
    if (type == select_resource_widget::image) {
        select_sticker_widget picker(this);
        picker.setAttribute(Qt::WA_DeleteOnClose, false);
        connect(&picker, &select_sticker_widget::selected_result, this,
                &new_script_widget::insert_stickers);
        picker.exec();
        return;
    }
    const int mode = type == select_resource_widget::video   ? select_clouddoc_dialog::video
                     : type == select_resource_widget::audio ? select_clouddoc_dialog::audio
                                                             : select_clouddoc_dialog::any;
    select_clouddoc_dialog picker(mode, this);
    picker.setAttribute(Qt::WA_DeleteOnClose, false);
    connect(&picker, &select_clouddoc_dialog::selected_files, this,
            &new_script_widget::insert_clouddocs);
    picker.exec();
}

void new_script_widget::insert_stickers(const QList<sticker_node_spt>& stickers) {
    for (const sticker_node_spt& sticker : stickers) {
        if (!sticker)
            continue;
        if (sticker->emojiType == protocol::sticker_type::address) {
            const QString suffix = QFileInfo(QUrl(sticker->emojiContent).path()).suffix();
            editor_->textCursor().insertHtml(
                address_link(sticker->emojiContent, sticker->emojiContentDesc, suffix));
        } else if (sticker->emojiType == protocol::sticker_type::stored && sticker->nasFile) {
            editor_->textCursor().insertHtml(file_store_link(
                sticker->fileId, sticker->emojiContentDesc, sticker->nasFile->fileSuffix, false));
        }
    }
}

void new_script_widget::insert_clouddocs(const QList<selected_file_info_t>& files) {
    for (const selected_file_info_t& file : files) {
        const QString html = file.location.startsWith(QLatin1String("http"))
                                 ? address_link(file.location, file.name, file.suffix)
                                 : file_store_link(file.location, file.name, file.suffix);
        editor_->textCursor().insertHtml(html);
    }
}

// ---- saving ----

void new_script_widget::save(bool and_new) {
    and_new_ = and_new;
    save_new_->setEnabled(false);
    save_->setEnabled(false);
    status_->setText(status_text::progress(QStringLiteral("正在提交数据，请稍候...")));
    QAbstractButton* checked = colours_->checkedButton();
    const QString keywords = stored_keywords(
        checked ? checked->property("color").value<QColor>() : QColor(), keywords_->text());
    const QString content = editor_->toHtml();
    auto done = [this](const action_result_t& result, const script_node_spt& node) {
        on_saved(result.error, node, result.ok);
    };
    if (script_) {
        actions_->save_script_edit(script_, content, keywords, done);
        return;
    }
    const category_node_spt category = chosen_category();
    actions_->save_new_script({category ? category->id : QString(), part_,
                               category ? category->deptId : QString(), content, keywords},
                              done);
}

void new_script_widget::on_saved(const QString& error, const script_node_spt& node, bool ok) {
    if (!ok || !node) {
        save_new_->setEnabled(!script_);
        save_->setEnabled(true);
        status_->setText(status_text::failure(
            script_ ? QStringLiteral("修改失败") : QStringLiteral("创建失败"), error));
        return;
    }
    unreported_ = node;
    cache_files(node);
}

void new_script_widget::cache_files(const script_node_spt& node) {
    const QList<download_task_spt> tasks = make_script_tasks(node);
    if (tasks.isEmpty())
        return finish_save();
    if (!downloader_) {
        downloader_ = new batch_download(this);
        downloader_->set_max_parallel(3);
        connect(downloader_, &batch_download::task_failed, this,
                [this](const QString& remote, const QString& error) {
                    spdlog::warn("caching a file of the saved script failed: {}: {}",
                                 remote.toStdString(), error.toStdString());
                    failed_tasks_.insert(remote, all_tasks_.value(remote));
                });
        connect(downloader_, &batch_download::all_tasks_finished, this,
                &new_script_widget::on_downloads_finished);
    }
    all_tasks_.clear();
    failed_tasks_.clear();
    for (const download_task_spt& task : tasks)
        all_tasks_.insert(task->remote, task);
    start_downloads();
}

void new_script_widget::start_downloads() {
    // A file already in the cache counts as fetched: file-store files never
    // change under their id, and an edit of a long script would otherwise
    // fetch all its files again.
    QList<download_task_spt> missing;
    for (const download_task_spt& task : all_tasks_)
        if (!QFileInfo(task->local_path).isFile())
            missing << task;
    if (missing.isEmpty())
        return on_downloads_finished();
    downloader_->add_tasks(missing);
    downloader_->start();
}

void new_script_widget::on_downloads_finished() {
    if (failed_tasks_.isEmpty())
        return finish_save();
    status_->setText(QStringLiteral("未完全同步文档，成功<font color='green'>%1</font>，失败<font "
                                    "color='red'>%2</font>")
                         .arg(all_tasks_.size() - failed_tasks_.size())
                         .arg(failed_tasks_.size()));
    save_->setEnabled(false);
    retry_->setEnabled(true);
}

void new_script_widget::retry() {
    if (failed_tasks_.isEmpty() || !downloader_)
        return;
    retry_->setEnabled(false);
    all_tasks_ = failed_tasks_;
    failed_tasks_.clear();
    start_downloads();
}

void new_script_widget::finish_save() {
    save_new_->setEnabled(!script_);
    save_->setEnabled(true);
    retry_->setEnabled(false);
    const script_node_spt node = unreported_;
    report(node);
    if (script_) {
        status_->setText(status_text::success(QStringLiteral("修改成功")));
        return;
    }
    status_->setText(status_text::success(QStringLiteral("创建成功")));
    if (and_new_) {
        keywords_->clear();
        editor_->clear();
    }
}

void new_script_widget::report(script_node_spt node) {
    if (!node)
        return;
    unreported_.reset();
    if (script_)
        emit update_script_finished(node);
    else
        emit create_script_finished(node);
}

void new_script_widget::closeEvent(QCloseEvent* event) {
    // Saved on the server but its files not all cached: the view gets the
    // script anyway; what is missing is fetched when it is sent.
    if (unreported_) {
        if (downloader_)
            downloader_->abort();
        report(unreported_);
    }
    base_dialog::closeEvent(event);
}

} // namespace quorvel
