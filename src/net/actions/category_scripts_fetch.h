#pragma once

#include "model/records.h"
#include "net/reply_checks.h"

#include <QObject>

namespace quorvel {

// Fetches the scripts of some categories with blocking requests, meant to run
// on a worker thread. It keeps what arrived and never touches the store: the
// GUI thread takes the result once the thread has finished and merges it.
class category_scripts_fetch : public QObject {
    Q_OBJECT
public:
    struct category_ref_t {
        QString id;
        QString classify_type;
    };

    explicit category_scripts_fetch(const QList<category_node_spt>& categories,
                                    QObject* parent = nullptr);

    // Read only after the thread has finished.
    const scripts_by_category_t& scripts() const { return scripts_; }
    int failed() const { return failed_; }

public slots:
    // One query per category; a failing one is skipped and counted.
    void run();

private:
    QList<category_ref_t> categories_; // copies: the records stay with the GUI thread
    scripts_by_category_t scripts_;
    int failed_ = 0;
};

} // namespace quorvel
