#include "integration/app_pattern.h"

#include "protocol/library_terms.h"

#include <algorithm>

namespace quorvel {

namespace terms = protocol::app_identifier;

namespace {

const QStringList confirmed_applications = {QStringLiteral("微信"), QStringLiteral("企业微信")};
const QStringList confirming_classes = {QStringLiteral("WeChatMainWndForPC"),
                                        QStringLiteral("Qt51514QWindowIcon"),
                                        QStringLiteral("WeWorkWindow")};
const QStringList confirming_titles = {QStringLiteral("微信"), QStringLiteral("WeiXin"),
                                       QStringLiteral("企业微信"), QStringLiteral("WeCom")};
const QStringList confirming_accessibility_classes = {QStringLiteral("WeWorkWindow"),
                                                      QStringLiteral("mmui::MainWindow"),
                                                      QStringLiteral("Qt51514QWindowIcon")};

// The application's name in a ready entry: it also travels in the
// comma-separated list of switched-off applications.
constexpr int max_name_length = 64;

bool only_wildcards(const QString& pattern) {
    return std::all_of(pattern.begin(), pattern.end(),
                       [](QChar c) { return c == QLatin1Char(terms::wildcard); });
}

// Text the list can hold as a pattern; what it cannot hold matches through '*'.
QString as_pattern(const QString& text) {
    QString out;
    for (QChar c : text.trimmed()) {
        const bool held = c != QLatin1Char(terms::separator) && c != QLatin1Char(';') &&
                          c != QLatin1Char('=') && c != QLatin1Char('\r') && c != QLatin1Char('\n');
        const QChar next = held ? c : QChar(QLatin1Char(terms::wildcard));
        if (next == QLatin1Char(terms::wildcard) && out.endsWith(next))
            continue;
        out += next;
    }
    if (out.size() > terms::max_length)
        out = out.left(terms::max_length - 1) + QLatin1Char(terms::wildcard);
    return only_wildcards(out) ? QString() : out;
}

QString as_name(const QString& text) {
    QString name = text;
    for (QChar& c : name)
        if (c == QLatin1Char(terms::separator) || c == QLatin1Char(';') || c == QLatin1Char('='))
            c = QLatin1Char(' ');
    return name.simplified().left(max_name_length).trimmed();
}

} // namespace

app_pattern::app_pattern(part_t part, const QString& pattern) : part_(part) {
    QStringList pieces = pattern.split(QLatin1Char(terms::wildcard));
    for (QString& piece : pieces)
        piece = QRegularExpression::escape(piece);
    expression_.setPattern(QRegularExpression::anchoredPattern(pieces.join(QStringLiteral(".*"))));
    expression_.setPatternOptions(QRegularExpression::CaseInsensitiveOption |
                                  QRegularExpression::DotMatchesEverythingOption |
                                  QRegularExpression::UseUnicodePropertiesOption);
}

std::optional<app_pattern> app_pattern::parse(const QString& identifier) {
    QString pattern = identifier.trimmed();
    part_t part = part_t::any;
    if (pattern.startsWith(QLatin1String(terms::class_prefix), Qt::CaseInsensitive)) {
        part = part_t::window_class;
        pattern = pattern.mid(int(qstrlen(terms::class_prefix))).trimmed();
    } else if (pattern.startsWith(QLatin1String(terms::title_prefix), Qt::CaseInsensitive)) {
        part = part_t::title;
        pattern = pattern.mid(int(qstrlen(terms::title_prefix))).trimmed();
    }
    if (only_wildcards(pattern) || pattern.size() > terms::max_length)
        return std::nullopt;
    return app_pattern(part, pattern);
}

bool app_pattern::matches(const QString& text) const {
    return expression_.match(text).hasMatch();
}

app_table::app_table(const QHash<QString, QStringList>& table) {
    for (auto it = table.constBegin(); it != table.constEnd(); ++it) {
        QList<app_pattern> patterns;
        for (const QString& identifier : it.value())
            if (auto pattern = app_pattern::parse(identifier))
                patterns << *pattern;
        if (!patterns.isEmpty())
            applications_.append({it.key(), patterns});
    }
    std::sort(applications_.begin(), applications_.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
}

QString app_table::application(const QString& klass, const QString& title) const {
    using part_t = app_pattern::part_t;
    for (const auto& [name, patterns] : applications_) {
        bool plain_class = false;
        bool plain_title = false;
        for (const app_pattern& p : patterns) {
            if (p.part() == part_t::window_class && p.matches(klass))
                return name;
            if (p.part() == part_t::title && p.matches(title))
                return name;
            if (p.part() == part_t::any) {
                plain_class = plain_class || p.matches(klass);
                plain_title = plain_title || p.matches(title);
            }
        }
        if (plain_class && plain_title)
            return name;
    }
    return {};
}

bool app_table::needs_confirmation(const QString& application) {
    return confirmed_applications.contains(application);
}

bool app_table::confirm_built_in(const QString& klass, const QString& title,
                                 const QString& accessibility_class) {
    const bool title_ok = confirming_titles.contains(title, Qt::CaseInsensitive);
    const bool class_ok = confirming_classes.contains(klass, Qt::CaseInsensitive);
    const bool accessibility_ok =
        !accessibility_class.isEmpty() &&
        confirming_accessibility_classes.contains(accessibility_class, Qt::CaseInsensitive);
    return title_ok && (accessibility_ok || class_ok);
}

QString app_entry_for_class(const QString& klass) {
    const QString pattern = as_pattern(klass);
    const QString name = as_name(klass);
    if (pattern.isEmpty() || name.isEmpty())
        return {};
    return name + QLatin1Char('=') + QLatin1String(terms::class_prefix) + pattern;
}

QString app_entry_for_window(const QString& klass, const QString& title) {
    const QString class_pattern = as_pattern(klass);
    const QString title_pattern = as_pattern(title);
    const QString name = as_name(title);
    if (class_pattern.isEmpty() || title_pattern.isEmpty() || name.isEmpty())
        return {};
    return name + QLatin1Char('=') + class_pattern + QLatin1Char(terms::separator) + title_pattern;
}

} // namespace quorvel
