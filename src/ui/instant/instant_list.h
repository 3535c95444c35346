#pragma once

#include "ui/instant/instant_index.h"

#include <QWidget>

class QListWidget;

namespace quorvel {

// The result list attached to the bar: a window that never takes the focus,
// so typing stays in the search field, which moves the selection.
class instant_list : public QWidget {
    Q_OBJECT
public:
    explicit instant_list(QWidget* parent = nullptr);

    void show_hits(const QList<instant_hit_t>& hits);
    const QList<instant_hit_t>& hits() const { return hits_; }
    int current() const;
    void move_selection(int step);
    // Above the bar when there is no room below it on its screen.
    void place_at(const QRect& bar_geometry);
    QListWidget* rows() const { return rows_; }

signals:
    void chosen(int row);

private:
    QListWidget* rows_;
    QList<instant_hit_t> hits_;
};

// A result row's rich text: the kind, the coloured keywords, and the text
// with the matched part highlighted.
QString instant_row_html(const instant_hit_t& hit);

} // namespace quorvel
