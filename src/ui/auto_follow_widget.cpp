#include "ui/auto_follow_widget.h"

#include "app/event_bus.h"
#include "app/event_names.h"
#include "model/data_center.h"
#include "net/actions/quick_reply_actions.h"
#include "ui/instant/instant_search.h"
#include "ui/kb/phrase_manager_widget.h"
#include "ui/kb/quick_reply_manager_widget.h"
#include "ui/kb/script_item.h"
#include "ui/widgets/custom_button.h"
#include "ui/widgets/flow_layout.h"
#include "ui/widgets/plain_text.h"

#include <QDebug>
#include <QEvent>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QResizeEvent>
#include <QScreen>
#include <QStackedLayout>

namespace quorvel {

namespace {

custom_button* make_button(QWidget* parent, const QString& text, const QString& icon = QString()) {
    auto* b = new custom_button(parent);
    b->setText(text);
    if (!icon.isEmpty()) {
        b->setIcon(QIcon(icon));
        b->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    }
    return b;
}

QLabel* caption(QWidget* parent, const QString& text) {
    auto* label = new QLabel(text, parent);
    label->setMargin(4);
    return label;
}

// Wide enough for a sentence, narrow enough to stay beside the bar.
constexpr int quick_reply_text_width = 360;

QString script_text(const quick_reply_node_spt& entry) {
    for (const script_node_spt& s : data_center::instance().scripts_of(entry->classifyId))
        if (s->id == entry->speechId)
            return s->speechContent;
    return {};
}

} // namespace

auto_follow_widget::auto_follow_widget(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint), pages_(new QStackedLayout),
      phrases_(new flow_layout_widget(0, 8, 0)), history_(new flow_layout_widget(0, 0, 0)),
      lower_row_(new QWidget), show_(make_button(nullptr, QStringLiteral("显示"),
                                                 QStringLiteral(":/images/icon/visible.png"))),
      quick_reply_(make_button(nullptr, QStringLiteral("快捷回复"))), search_(new QLineEdit),
      add_phrase_(make_button(nullptr, QStringLiteral("+"))),
      documents_(make_button(nullptr, QStringLiteral("文档"))),
      instant_(new instant_search(search_, this)) {
    setAttribute(Qt::WA_DeleteOnClose);
    setAttribute(Qt::WA_AlwaysShowToolTips);
    setFocusPolicy(Qt::StrongFocus);
    setFixedWidth(600);
    auto* form = new QFormLayout(this);

    phrases_->layout_of()->addWidget(caption(phrases_, QStringLiteral("快捷短语")));
    auto* hide =
        make_button(phrases_, QStringLiteral("隐藏"), QStringLiteral(":/images/icon/visible.png"));
    phrases_->layout_of()->addWidget(hide);
    phrases_->layout_of()->addWidget(add_phrase_);
    history_->layout_of()->addWidget(caption(history_, QStringLiteral("搜索历史")));
    auto* clear_history = make_button(history_, QStringLiteral("删除"));
    history_->layout_of()->addWidget(clear_history);
    pages_->addWidget(phrases_);
    pages_->addWidget(history_);
    pages_->setCurrentIndex(0);
    form->addRow(pages_);

    auto* row = new QHBoxLayout(lower_row_);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(quick_reply_);
    row->addWidget(show_);
    show_->hide();
    auto* field = new QHBoxLayout;
    search_->setPlaceholderText(QStringLiteral("输入汉字/拼音/拼音首字母搜索"));
    field->addWidget(search_);
    row->addLayout(field);
    documents_->setCheckable(true); // documents join the search while it is on
    row->addWidget(documents_);
    form->addRow(lower_row_);

    connect(hide, &QToolButton::clicked, this, &auto_follow_widget::hide_upper_row);
    connect(show_, &QToolButton::clicked, this, &auto_follow_widget::show_upper_row);
    connect(quick_reply_, &QToolButton::clicked, this, &auto_follow_widget::show_quick_reply_menu);
    connect(add_phrase_, &QToolButton::clicked, this, &auto_follow_widget::phrase_settings);
    search_->installEventFilter(this);
    connect(documents_, &QToolButton::toggled, instant_, &instant_search::set_documents);
    connect(clear_history, &QToolButton::clicked, instant_, &instant_search::clear_searches);
    connect(instant_, &instant_search::searches_changed, this,
            &auto_follow_widget::rebuild_search_history);

    rebuild_phrase_buttons();
    rebuild_search_history();
    load_quick_replies();
}

void auto_follow_widget::load_quick_replies() {
    (new quick_reply_actions(this))->load_quick_replies([](const action_result_t& result) {
        if (!result.ok)
            qDebug() << result.error;
    });
}

void auto_follow_widget::rebuild_phrase_buttons() {
    flow_layout* layout = phrases_->layout_of();
    while (layout->count() > 3) {
        QLayoutItem* item = layout->takeAt(3);
        if (item->widget())
            item->widget()->deleteLater();
        delete item;
    }
    for (const phrase_node_spt& phrase : phrases_in_order(data_center::instance().phrases())) {
        auto* b = make_button(phrases_, phrase->phraseContent);
        const QString text = phrase->phraseContent;
        connect(b, &QToolButton::clicked, this,
                [text] { event_bus::instance()->post(events::send_script, {text}); });
        layout->addWidget(b);
    }
    fit_height();
}

void auto_follow_widget::rebuild_search_history() {
    flow_layout* layout = history_->layout_of();
    while (layout->count() > 2) { // after the caption and "删除"
        QLayoutItem* item = layout->takeAt(2);
        if (item->widget())
            item->widget()->deleteLater();
        delete item;
    }
    for (const QString& text : instant_->usage().searches()) {
        auto* b = make_button(history_, text);
        connect(b, &QToolButton::clicked, this, [this, text] {
            search_->setText(text);
            search_->setFocus(Qt::OtherFocusReason);
            instant_->search(text);
        });
        layout->addWidget(b);
    }
    if (pages_->currentIndex() == 1)
        fit_height();
}

int auto_follow_widget::content_height(int width) const {
    if (!show_->isHidden()) { // the upper row is hidden ("隐藏"): the lower row alone
        const QMargins m = layout()->contentsMargins();
        return m.top() + lower_row_->sizeHint().height() + m.bottom();
    }
    return layout()->hasHeightForWidth() ? layout()->totalHeightForWidth(width)
                                         : layout()->totalSizeHint().height();
}

void auto_follow_widget::fit_height() {
    setFixedHeight(content_height(width()));
}

void auto_follow_widget::fill_quick_reply_menu(QMenu* menu) {
    menu->setToolTipsVisible(true);
    const QFontMetrics metrics(menu->font());
    for (const quick_reply_node_spt& entry : data_center::instance().quick_replies()) {
        // The script as the agent reads it, in one line; the menu sends it
        // as stored.
        const QString text = script_text(entry);
        const QString plain = plain_script_text(text);
        QString shown = metrics.elidedText(plain, Qt::ElideRight, quick_reply_text_width);
        QAction* action =
            menu->addAction(shown.replace(QLatin1Char('&'), QStringLiteral("&&")),
                            [text] { event_bus::instance()->post(events::send_script, {text}); });
        action->setToolTip(plain_tooltip(wrap_tooltip_text(plain)));
    }
    menu->addSeparator();
    menu->addAction(QStringLiteral("点击进入快捷回复管理"), this,
                    &auto_follow_widget::quick_reply_settings);
}

void auto_follow_widget::show_quick_reply_menu() {
    QMenu menu(quick_reply_);
    fill_quick_reply_menu(&menu);
    menu.exec(quick_reply_->mapToGlobal(QPoint(0, quick_reply_->height())));
}

void auto_follow_widget::quick_reply_settings() {
    if (quick_reply_manager_) {
        quick_reply_manager_->raise();
        return;
    }
    auto* dialog = new quick_reply_manager_widget(this);
    dialog->setWindowTitle(QStringLiteral("快捷回复管理"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QObject::destroyed, this, &auto_follow_widget::load_quick_replies);
    quick_reply_manager_ = dialog;
    dialog->show();
}

void auto_follow_widget::phrase_settings() {
    if (phrase_manager_) {
        phrase_manager_->raise();
        return;
    }
    auto* dialog = new phrase_manager_widget(this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    // Placed here, not by the window manager: after its placement Qt may keep a
    // stale position for the dialog, and drag and drop, which maps the pointer
    // through it, then drops beside the rows.
    if (const QScreen* screen = this->screen())
        dialog->move(screen->availableGeometry().center() - dialog->rect().center());
    connect(dialog, &QObject::destroyed, this, &auto_follow_widget::rebuild_phrase_buttons);
    phrase_manager_ = dialog;
    dialog->show();
}

auto_follow_widget::~auto_follow_widget() {
    // The managers die with the bar; by then it can no longer refresh itself.
    for (QWidget* dialog : {phrase_manager_.data(), quick_reply_manager_.data()})
        if (dialog)
            disconnect(dialog, &QObject::destroyed, this, nullptr);
}

void auto_follow_widget::hide_upper_row() {
    saved_height_ = lower_row_->height();
    show_->show();
    phrases_->hide();
    history_->hide();
    fit_height();
}

void auto_follow_widget::show_upper_row() {
    show_->hide();
    pages_->currentWidget()->show();
    for (int i = 0; i < pages_->count(); ++i)
        if (i != pages_->currentIndex())
            pages_->widget(i)->hide();
    // A top-level window does not grow back by itself: every phrase row returns.
    fit_height();
}

bool auto_follow_widget::eventFilter(QObject* watched, QEvent* event) {
    if (watched == search_) {
        if (event->type() == QEvent::MouseButtonPress)
            pages_->setCurrentIndex(1);
        else if (event->type() == QEvent::FocusOut)
            pages_->setCurrentIndex(0);
    }
    return QWidget::eventFilter(watched, event);
}

void auto_follow_widget::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    emit size_changed(event->oldSize(), event->size());
}

void auto_follow_widget::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillRect(rect(), Qt::white);
    painter.setPen(QPen(Qt::blue, 1, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(rect());
}

} // namespace quorvel
