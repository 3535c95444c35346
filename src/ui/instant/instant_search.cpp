#include "ui/instant/instant_search.h"

#include "app/event_bus.h"
#include "app/event_names.h"
#include "model/session_state.h"
#include "sync/cache_manager.h"
#include "ui/instant/instant_list.h"

#include <QDateTime>
#include <QKeyEvent>
#include <QLineEdit>

namespace quorvel {

namespace {
constexpr int max_hits = 30;
} // namespace

instant_search::instant_search(QLineEdit* field, QWidget* bar, usage_store usage)
    : QObject(field), field_(field), bar_(bar), usage_(std::move(usage)),
      list_(new instant_list(bar)) {
    follow_account();
    field_->installEventFilter(this);
    bar_->installEventFilter(this);
    connect(field_, &QLineEdit::textEdited, this, &instant_search::search);
    connect(list_, &instant_list::chosen, this, [this](int row) { deliver(row, true); });
}

instant_search::~instant_search() = default;

// The usage records are the logged-in account's; a new login brings others.
void instant_search::follow_account() {
    const QString account = session_state::instance().account();
    if (account != usage_.account() || usage_.account().isNull())
        usage_.load(account);
}

void instant_search::set_documents(bool on) {
    documents_ = on;
    if (list_ && list_->isVisible())
        search(field_->text());
}

void instant_search::search(const QString& text) {
    follow_account();
    const QList<instant_hit_t> hits =
        index_.search(text, documents_, max_hits, &usage_, QDateTime::currentSecsSinceEpoch());
    if (hits.isEmpty()) {
        close_list();
        return;
    }
    list_->show_hits(hits);
    list_->place_at(QRect(bar_->mapToGlobal(QPoint(0, 0)), bar_->size()));
    list_->show();
    list_->raise();
}

void instant_search::close_list() {
    if (list_)
        list_->hide();
}

void instant_search::clear_searches() {
    follow_account();
    usage_.clear_searches();
    emit searches_changed();
}

void instant_search::deliver(int row, bool send) {
    if (!list_ || row < 0 || row >= list_->hits().size())
        return;
    const instant_entry_spt entry = list_->hits().at(row).entry;
    const QString query = field_->text();
    close_list();
    field_->clear();
    follow_account();
    usage_.record_send(entry->usage_key(), query, QDateTime::currentSecsSinceEpoch());
    emit searches_changed();
    event_bus* bus = event_bus::instance();
    switch (entry->kind) {
    case instant_kind::script:
    case instant_kind::quick_reply:
        bus->post(send ? events::send_script : events::input_script,
                  {entry->script->speechContent});
        break;
    case instant_kind::phrase:
        bus->post(send ? events::send_script : events::input_script, {entry->phrase});
        break;
    case instant_kind::sticker:
        bus->post(send ? events::send_sticker : events::input_file,
                  {cache_manager::instance()->sticker_path(entry->sticker)});
        break;
    case instant_kind::document:
        bus->post(send ? events::send_clouddoc : events::input_file,
                  {cache_manager::instance()->doc_path(entry->doc)});
        break;
    }
}

bool instant_search::eventFilter(QObject* watched, QEvent* event) {
    if (watched == bar_ && event->type() == QEvent::Hide)
        close_list();
    if (watched != field_ || event->type() != QEvent::KeyPress)
        return QObject::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    const bool open = list_ && list_->isVisible();
    switch (key->key()) {
    case Qt::Key_Up:
    case Qt::Key_Down:
        if (!open)
            return false;
        list_->move_selection(key->key() == Qt::Key_Up ? -1 : 1);
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (!open)
            return false;
        deliver(list_->current(), !(key->modifiers() & Qt::ShiftModifier));
        return true;
    case Qt::Key_Escape: // nothing is left behind: no list, no text
        close_list();
        field_->clear();
        return true;
    default:
        return false;
    }
}

} // namespace quorvel
