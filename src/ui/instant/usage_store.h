#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

namespace quorvel {

// What the instant search remembers per account, in its own file beside the
// scripts page's search list: how often and how lately each item was sent from
// the bar, and the searches that led to a send (newest first).
class usage_store {
public:
    // The file under the data root; tests give their own.
    explicit usage_store(QString path = default_path());
    static QString default_path();

    // Reads the account's records; an unreadable file gives none.
    void load(const QString& account);
    const QString& account() const { return account_; }

    // Ranks recent and frequent sends higher: the count counts less and less,
    // and the weight halves every week since the last send.
    double score(const QString& key, qint64 now_secs) const;
    void record_send(const QString& key, const QString& search, qint64 now_secs);

    const QStringList& searches() const { return searches_; }
    void clear_searches();

    static constexpr int max_searches = 10;

private:
    struct use_t {
        int count = 0;
        qint64 last = 0;
    };
    void save() const;

    QString path_;
    QString account_;
    QHash<QString, use_t> uses_;
    QStringList searches_;
};

} // namespace quorvel
