#pragma once

#include <QLabel>
#include <QToolButton>
#include <QWidget>

namespace quorvel {

class elided_label;

// One script row: send arrow, number, coloured keywords, content in one line.
class script_item : public QWidget {
    Q_OBJECT
public:
    explicit script_item(QWidget* parent = nullptr);

    void set_index(int number);
    void set_keywords(const QString& raw);
    void set_content(const QString& content);
    const QString& content() const { return content_; }

    QToolButton* send_button() const { return send_; }
    QLabel* index_label() const { return index_; }
    QLabel* keyword_label() const { return keywords_; }
    elided_label* content_label() const { return text_; }

signals:
    void send_clicked();

private:
    QToolButton* send_;
    QLabel* index_;
    QLabel* keywords_;
    elided_label* text_;
    QString content_;
};

// The keyword label's rich text: an optional "${colour}" prefix colours the rest.
QString keyword_html(const QString& raw, const QFont& font);
// The content in one line: HTML documents as plain text, no spaces or breaks.
QString one_line_content(const QString& content);
// The script as it reads, in one line: HTML as plain text, each run of
// white space one space, picture placeholders dropped.
QString plain_script_text(const QString& content);
// A row's tooltip: the content as written, drawn as rich text, but with no
// image from outside the cache.
QString script_tooltip(const QString& content);
// "01. ", "12. ", "123. ".
QString index_text(int number);

} // namespace quorvel
