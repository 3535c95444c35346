#pragma once

#include <QHash>
#include <QList>
#include <QPair>
#include <QRegularExpression>
#include <QString>
#include <QStringList>
#include <optional>

namespace quorvel {

// One identifier of the supported-applications list: "class:" or "title:"
// and a pattern, or a pattern alone. Only '*' is special (any text); a '.',
// '(' or '?' in a title matches itself. Case never matters.
class app_pattern {
public:
    enum class part_t { any, window_class, title };

    // nullopt for an identifier that names nothing: empty, only wildcards,
    // or longer than the list allows.
    static std::optional<app_pattern> parse(const QString& identifier);

    part_t part() const { return part_; }
    bool matches(const QString& text) const;

private:
    app_pattern(part_t part, const QString& pattern);

    part_t part_;
    QRegularExpression expression_;
};

// A table of applications and their identifiers, ready to recognise windows.
// A window belongs to an application when one of its "class:" patterns
// matches the class, one of its "title:" patterns the title, or its plain
// patterns match both (one the class, one the title).
class app_table {
public:
    app_table() = default;
    explicit app_table(const QHash<QString, QStringList>& table);

    // The first application, by name, the window belongs to; empty for none.
    QString application(const QString& klass, const QString& title) const;

    // The built-in applications whose windows are confirmed by
    // confirm_built_in(): their identifiers also match other windows of theirs.
    static bool needs_confirmation(const QString& application);
    // The main window has one of the known titles, and a known class or
    // accessibility class.
    static bool confirm_built_in(const QString& klass, const QString& title,
                                 const QString& accessibility_class);

private:
    QList<QPair<QString, QList<app_pattern>>> applications_;
};

// A ready list entry for a window: "name=class:…", or the plain class and
// title. Characters the list cannot hold (',', ';', '=', line breaks) become
// '*'; empty when the window gives nothing to match.
QString app_entry_for_class(const QString& klass);
QString app_entry_for_window(const QString& klass, const QString& title);

} // namespace quorvel
