#pragma once

#include "model/data_center.h"
#include "pinyin/spelled_text.h"

#include <QHash>
#include <QObject>
#include <QSharedPointer>
#include <vector>

namespace quorvel {

class usage_store;

// Kinds of things the bar can send, in the order equal matches are listed.
enum class instant_kind { script, quick_reply, phrase, sticker, document };

// One sendable item as the index keeps it: its visible texts spelled once.
struct instant_entry_t {
    instant_kind kind = instant_kind::script;
    QString id;
    QString keywords_raw; // with its "${colour}" prefix, for the row
    QString keywords;     // what a search matches: keywords, a title, a name
    QString text;         // the visible text in one line
    spelled_text spelled_keywords;
    spelled_text spelled_text_;
    script_node_spt script; // scripts and quick replies
    sticker_node_spt sticker;
    doc_node_spt doc;
    QString phrase; // a phrase's text
    qint64 order = 0;

    // Key of the item in the usage records.
    QString usage_key() const;
};
using instant_entry_spt = QSharedPointer<const instant_entry_t>;

// A found item with the quality of its best match.
struct instant_hit_t {
    instant_entry_spt entry;
    text_match_t match;
    bool in_keywords = false;
    bool prefix = false;
    bool whole = false;
    double usage = 0;
};

// The bar's local index over everything the user can send: scripts of every
// part the store holds, phrases, quick replies, stickers by title and
// documents by name. Built once from the store, then kept up to date change
// by change through `data_center::changed`.
class instant_index : public QObject {
    Q_OBJECT
public:
    explicit instant_index(const pinyin_table& table = pinyin_table::shared(),
                           QObject* parent = nullptr);

    // Ranked best first: keyword before text, prefix before inside, whole
    // word before part, then recent and frequent sends, then kind. At most
    // `limit` hits; documents only when asked for.
    QList<instant_hit_t> search(const QString& query, bool with_documents, int limit,
                                const usage_store* usage = nullptr, qint64 now_secs = 0);

    int size() const { return entries_.size(); }
    // Index-wide rebuilds so far (the store was replaced as a whole).
    int full_builds() const { return full_builds_; }

private:
    void on_changed(const store_change_t& change);
    void build_all();
    void index_scripts_of(const QList<script_node_spt>& scripts);
    void index_script(const script_node_spt& script);
    void index_phrases();
    void index_phrase(const phrase_node_spt& phrase);
    void index_quick_replies();
    void index_stickers();
    void index_docs();
    void drop_kind(instant_kind kind);
    void drop_category_scripts(const QString& category_id);
    void refresh_quick_replies_of(const QStringList& script_ids);
    void put(instant_entry_t entry);
    void drop(instant_kind kind, const QString& id);
    bool rank(const instant_entry_spt& entry, const QString& query, instant_hit_t* hit) const;
    bool match_field(const spelled_text& field, const QString& query, instant_hit_t* hit) const;

    const pinyin_table& table_;
    QHash<QString, instant_entry_spt> entries_; // by usage key
    qint64 next_order_ = 0;
    int full_builds_ = 0;
    // The items the last query matched: a longer query matches a subset.
    QString last_query_;
    std::vector<instant_entry_spt> last_matches_;
    bool last_valid_ = false;
};

// The words the kind is shown with in a result row.
QString instant_kind_name(instant_kind kind);

} // namespace quorvel
