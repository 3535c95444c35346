#pragma once

#include "ui/instant/instant_index.h"
#include "ui/instant/instant_list.h"
#include "ui/instant/usage_store.h"

#include <QObject>
#include <QPointer>

class QLineEdit;

namespace quorvel {

// Searches as the user types in the bar's field, locally: Up/Down choose,
// Enter sends, Shift+Enter puts the item into the input box, Esc closes.
class instant_search : public QObject {
    Q_OBJECT
public:
    // `bar` is the window the list attaches to.
    instant_search(QLineEdit* field, QWidget* bar, usage_store usage = usage_store());
    ~instant_search() override;

    instant_index& index() { return index_; }
    instant_list* list() const { return list_; }
    usage_store& usage() { return usage_; }
    bool documents() const { return documents_; }

public slots:
    void set_documents(bool on);
    void search(const QString& text);
    void clear_searches();
    // Sends (or only inputs) a row of the list.
    void deliver(int row, bool send);

signals:
    // The searches that led to a send changed.
    void searches_changed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void close_list();
    void follow_account();

    QLineEdit* field_;
    QWidget* bar_;
    usage_store usage_;
    instant_index index_;
    QPointer<instant_list> list_;
    bool documents_ = false;
};

} // namespace quorvel
