#include "ui/instant/instant_index.h"

#include "ui/instant/usage_store.h"
#include "ui/kb/script_item.h"

#include <QRegularExpression>
#include <algorithm>

namespace quorvel {

namespace {

QString kind_key(instant_kind kind) {
    switch (kind) {
    case instant_kind::script:
        return QStringLiteral("script");
    case instant_kind::quick_reply:
        return QStringLiteral("quick");
    case instant_kind::phrase:
        return QStringLiteral("phrase");
    case instant_kind::sticker:
        return QStringLiteral("sticker");
    case instant_kind::document:
        return QStringLiteral("doc");
    }
    return {};
}

QString key_of(instant_kind kind, const QString& id) {
    return kind_key(kind) + QLatin1Char(':') + id;
}

// Keywords as the row shows them: without the "${colour}" prefix.
QString visible_keywords(const QString& raw) {
    static const QRegularExpression prefix(QStringLiteral("^\\$\\{[^}]+\\}"));
    return QString(raw).remove(prefix);
}

// Letters and digits of Latin text make words; every Han character is a word
// of its own.
bool word_char(QChar c) {
    const ushort u = c.unicode();
    return (u >= 'a' && u <= 'z') || (u >= '0' && u <= '9');
}

bool boundary(const QString& text, int at) {
    return at <= 0 || at >= text.size() || !word_char(text.at(at - 1)) || !word_char(text.at(at));
}

int first_visible(const QString& folded) {
    int i = 0;
    while (i < folded.size() && folded.at(i).isSpace())
        ++i;
    return i;
}

bool is_whole(const spelled_text& field, const text_match_t& m) {
    const QString& text = field.folded();
    // Initials of the whole text ("thlc" for 退货流程) are the word itself.
    const bool all = m.start == first_visible(text) && m.end == text.size();
    return (m.complete || all) && boundary(text, m.start) && boundary(text, m.end);
}

} // namespace

QString instant_entry_t::usage_key() const {
    return key_of(kind, id);
}

QString instant_kind_name(instant_kind kind) {
    switch (kind) {
    case instant_kind::script:
        return QStringLiteral("话术");
    case instant_kind::quick_reply:
        return QStringLiteral("快捷回复");
    case instant_kind::phrase:
        return QStringLiteral("短语");
    case instant_kind::sticker:
        return QStringLiteral("表情");
    case instant_kind::document:
        return QStringLiteral("文档");
    }
    return {};
}

instant_index::instant_index(const pinyin_table& table, QObject* parent)
    : QObject(parent), table_(table) {
    build_all();
    connect(&data_center::instance(), &data_center::changed, this, &instant_index::on_changed);
}

void instant_index::build_all() {
    entries_.clear();
    for (const QList<script_node_spt>& scripts : data_center::instance().scripts_by_category())
        index_scripts_of(scripts);
    index_phrases();
    index_quick_replies();
    index_stickers();
    index_docs();
    ++full_builds_;
}

void instant_index::put(instant_entry_t entry) {
    entry.spelled_keywords = spelled_text(table_, entry.keywords);
    entry.spelled_text_ = spelled_text(table_, entry.text);
    const QString key = entry.usage_key();
    const auto old = entries_.constFind(key);
    entry.order = old == entries_.cend() ? next_order_++ : old.value()->order;
    entries_.insert(key, instant_entry_spt(new instant_entry_t(std::move(entry))));
    last_valid_ = false;
}

void instant_index::drop(instant_kind kind, const QString& id) {
    if (entries_.remove(key_of(kind, id)))
        last_valid_ = false;
}

void instant_index::index_scripts_of(const QList<script_node_spt>& scripts) {
    for (const script_node_spt& script : scripts)
        index_script(script);
}

void instant_index::index_script(const script_node_spt& script) {
    if (!script)
        return;
    instant_entry_t e;
    e.kind = instant_kind::script;
    e.id = script->id;
    e.keywords_raw = script->speechContentKeywords;
    e.keywords = visible_keywords(script->speechContentKeywords);
    e.text = plain_script_text(script->speechContent);
    e.script = script;
    put(std::move(e));
}

void instant_index::index_phrases() {
    drop_kind(instant_kind::phrase);
    for (const phrase_node_spt& phrase : data_center::instance().phrases())
        index_phrase(phrase);
}

void instant_index::index_phrase(const phrase_node_spt& phrase) {
    if (!phrase)
        return;
    instant_entry_t e;
    e.kind = instant_kind::phrase;
    e.id = phrase->id;
    e.text = e.phrase = phrase->phraseContent;
    put(std::move(e));
}

void instant_index::index_quick_replies() {
    drop_kind(instant_kind::quick_reply);
    refresh_quick_replies_of({});
}

// Quick replies name a script: their entry carries that script's texts. With
// no ids given, every quick reply.
void instant_index::refresh_quick_replies_of(const QStringList& script_ids) {
    const data_center& dc = data_center::instance();
    for (const quick_reply_node_spt& reply : dc.quick_replies()) {
        if (!reply || (!script_ids.isEmpty() && !script_ids.contains(reply->speechId)))
            continue;
        script_node_spt script;
        for (const script_node_spt& s : dc.scripts_of(reply->classifyId))
            if (s && s->id == reply->speechId)
                script = s;
        if (!script) {
            drop(instant_kind::quick_reply, reply->speechId);
            continue;
        }
        instant_entry_t e;
        e.kind = instant_kind::quick_reply;
        e.id = reply->speechId;
        e.keywords_raw = script->speechContentKeywords;
        e.keywords = visible_keywords(script->speechContentKeywords);
        e.text = plain_script_text(script->speechContent);
        e.script = script;
        put(std::move(e));
    }
}

void instant_index::index_stickers() {
    drop_kind(instant_kind::sticker);
    for (const QList<sticker_node_spt>& list : data_center::instance().stickers_by_category())
        for (const sticker_node_spt& sticker : list) {
            if (!sticker)
                continue;
            instant_entry_t e;
            e.kind = instant_kind::sticker;
            e.id = sticker->id;
            e.keywords = sticker->emojiContentDesc;
            e.sticker = sticker;
            put(std::move(e));
        }
}

void instant_index::index_docs() {
    drop_kind(instant_kind::document);
    for (const QList<doc_node_spt>& list : data_center::instance().docs_by_category())
        for (const doc_node_spt& doc : list) {
            if (!doc)
                continue;
            instant_entry_t e;
            e.kind = instant_kind::document;
            e.id = doc->id;
            e.keywords = doc->fileName;
            e.doc = doc;
            put(std::move(e));
        }
}

void instant_index::drop_kind(instant_kind kind) {
    for (auto it = entries_.begin(); it != entries_.end();)
        it = it.value()->kind == kind ? entries_.erase(it) : std::next(it);
    last_valid_ = false;
}

void instant_index::drop_category_scripts(const QString& category_id) {
    for (auto it = entries_.begin(); it != entries_.end();) {
        const instant_entry_spt& e = it.value();
        const bool gone =
            e->kind == instant_kind::script && e->script && e->script->classifyId == category_id;
        it = gone ? entries_.erase(it) : std::next(it);
    }
    last_valid_ = false;
}

// Only what the change names is indexed again; the store's records are
// shared, so an edit shows in them before the change is announced.
void instant_index::on_changed(const store_change_t& change) {
    const data_center& dc = data_center::instance();
    switch (change.subject) {
    case store_subject::scripts:
        if (change.op == store_op::replaced && change.category_id.isEmpty()) {
            drop_kind(instant_kind::script);
            for (const QList<script_node_spt>& scripts : dc.scripts_by_category())
                index_scripts_of(scripts);
            index_quick_replies();
            return;
        }
        if (change.op == store_op::replaced) {
            drop_category_scripts(change.category_id);
            index_scripts_of(change.scripts);
        } else if (change.op == store_op::removed) {
            for (const QString& id : change.ids)
                drop(instant_kind::script, id);
        } else if (change.op != store_op::sorted) {
            for (const QString& id : change.ids)
                for (const script_node_spt& s : dc.scripts_of(change.category_id))
                    if (s && s->id == id)
                        index_script(s);
        }
        refresh_quick_replies_of(change.ids);
        return;
    case store_subject::categories:
        // A removed script category takes its scripts with it.
        if (change.library == library_kind::scripts && change.op == store_op::removed) {
            for (const QString& id : change.ids)
                drop_category_scripts(id);
            index_quick_replies();
        } else if (change.library == library_kind::documents && change.op == store_op::removed) {
            index_docs();
        }
        return;
    case store_subject::phrases:
        if (change.op == store_op::removed) {
            for (const QString& id : change.ids)
                drop(instant_kind::phrase, id);
        } else if (change.op == store_op::replaced) {
            index_phrases();
        } else {
            for (const QString& id : change.ids)
                index_phrase(dc.phrases().value(id));
        }
        return;
    case store_subject::quick_replies:
        index_quick_replies();
        return;
    case store_subject::stickers:
        index_stickers();
        return;
    case store_subject::docs:
        index_docs();
        return;
    default:
        return;
    }
}

bool instant_index::match_field(const spelled_text& field, const QString& query,
                                instant_hit_t* hit) const {
    const int start = first_visible(field.folded());
    text_match_t m = field.match_at(table_, query, start);
    const bool prefix = m.found();
    if (!prefix)
        m = field.find(table_, query);
    // Inside the text, a whole word counts more than the first part found.
    while (m.found() && !prefix && !is_whole(field, m)) {
        const text_match_t next = field.find(table_, query, m.start + 1);
        if (!next.found())
            break;
        if (is_whole(field, next)) {
            m = next;
            break;
        }
        if (next.start == m.start)
            break;
        m = next;
    }
    if (!m.found())
        return false;
    hit->match = m;
    hit->prefix = prefix;
    hit->whole = is_whole(field, m);
    return true;
}

namespace {

// Lower is better: keyword before text, prefix before inside, whole before part.
int quality(const instant_hit_t& h) {
    return (h.in_keywords ? 0 : 4) + (h.prefix ? 0 : 2) + (h.whole ? 0 : 1);
}

} // namespace

bool instant_index::rank(const instant_entry_spt& entry, const QString& query,
                         instant_hit_t* hit) const {
    instant_hit_t in_keywords;
    in_keywords.in_keywords = true;
    const bool k = match_field(entry->spelled_keywords, query, &in_keywords);
    instant_hit_t in_text;
    const bool t = match_field(entry->spelled_text_, query, &in_text);
    if (!k && !t)
        return false;
    *hit = k && (!t || quality(in_keywords) <= quality(in_text)) ? in_keywords : in_text;
    hit->entry = entry;
    return true;
}

QList<instant_hit_t> instant_index::search(const QString& query, bool with_documents, int limit,
                                           const usage_store* usage, qint64 now_secs) {
    const QString q = fold_query(query);
    if (q.isEmpty())
        return {};
    std::vector<instant_hit_t> hits;
    std::vector<instant_entry_spt> matched;
    auto consider = [&](const instant_entry_spt& e) {
        instant_hit_t h;
        if (!rank(e, q, &h))
            return;
        matched.push_back(e);
        if (!with_documents && e->kind == instant_kind::document)
            return;
        if (usage)
            h.usage = usage->score(e->usage_key(), now_secs);
        hits.push_back(std::move(h));
    };
    // A longer query matches only items a shorter one matched.
    if (last_valid_ && !last_query_.isEmpty() && q.startsWith(last_query_)) {
        for (const instant_entry_spt& e : last_matches_)
            consider(e);
    } else {
        for (const instant_entry_spt& e : entries_)
            consider(e);
    }
    last_query_ = q;
    last_matches_.swap(matched);
    last_valid_ = true;

    auto better = [](const instant_hit_t& a, const instant_hit_t& b) {
        if (quality(a) != quality(b))
            return quality(a) < quality(b);
        if (a.usage != b.usage)
            return a.usage > b.usage;
        if (a.entry->kind != b.entry->kind)
            return a.entry->kind < b.entry->kind;
        return a.entry->order < b.entry->order;
    };
    const int n = qMin<int>(limit, int(hits.size()));
    std::partial_sort(hits.begin(), hits.begin() + n, hits.end(), better);
    QList<instant_hit_t> out;
    for (int i = 0; i < n; ++i)
        out << hits[size_t(i)];
    return out;
}

} // namespace quorvel
