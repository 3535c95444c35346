#include "integration/cached_document.h"

#include "sync/cache_manager.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QPainter>
#include <QPixmap>
#include <QRegularExpression>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextFragment>
#include <QTextFrame>
#include <QTextTable>
#include <algorithm>

namespace quorvel {

namespace {

QString emoji_dir() {
    return QCoreApplication::applicationDirPath() + QStringLiteral("/data/emoji");
}

bool network_path(const QString& path) {
    return path.startsWith(QLatin1String("//")) || path.startsWith(QLatin1String("\\\\"));
}

// Frames, tables and their cells may name a background image.
void drop_background_images(QTextFrame* frame) {
    QTextFrameFormat format = frame->frameFormat();
    if (format.hasProperty(QTextFormat::BackgroundImageUrl)) {
        format.clearProperty(QTextFormat::BackgroundImageUrl);
        frame->setFrameFormat(format);
    }
    if (auto* table = qobject_cast<QTextTable*>(frame))
        for (int row = 0; row < table->rows(); ++row)
            for (int column = 0; column < table->columns(); ++column) {
                QTextTableCell cell = table->cellAt(row, column);
                QTextCharFormat cell_format = cell.format();
                if (cell_format.hasProperty(QTextFormat::BackgroundImageUrl)) {
                    cell_format.clearProperty(QTextFormat::BackgroundImageUrl);
                    cell.setFormat(cell_format);
                }
            }
    for (QTextFrame* child : frame->childFrames())
        drop_background_images(child);
}

} // namespace

QString local_path_of(const QString& name) {
    QString path;
    if (name.startsWith(QLatin1String("file:"), Qt::CaseInsensitive))
        path = QUrl(name).toLocalFile();
    else if (name.startsWith(QLatin1Char('/')) || name.startsWith(QLatin1Char('\\')))
        path = name;
    else if (name.size() > 2 && name.at(0).isLetter() && name.at(1) == QLatin1Char(':') &&
             (name.at(2) == QLatin1Char('/') || name.at(2) == QLatin1Char('\\')))
        path = name;
    // A network share is not a local file: opening it would sign in to a
    // host the script names.
    return network_path(path) ? QString() : path;
}

QString trusted_file(const QString& path) {
    if (path.isEmpty() || network_path(path))
        return {};
    const QString cached = cached_file(path);
    return cached.isEmpty() ? real_file_inside(path, emoji_dir()) : cached;
}

QString installed_emoji(const QString& name) {
    QString path = name.startsWith(QLatin1String("file:"), Qt::CaseInsensitive)
                       ? QUrl(name).toLocalFile()
                       : name;
    path.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (!path.contains(QLatin1String("/data/emoji/")))
        return {};
    const QString file_name = QFileInfo(path).fileName();
    if (file_name.isEmpty())
        return {};
    return real_file_inside(emoji_dir() + QLatin1Char('/') + file_name, emoji_dir());
}

QVariant cached_document::loadResource(int type, const QUrl& name) {
    const QString scheme = name.scheme();
    if (scheme == QLatin1String("data") || scheme == QLatin1String("qrc") ||
        name.toString().startsWith(QLatin1String(":/")))
        return QTextDocument::loadResource(type, name);
    QString path = trusted_file(local_path_of(name.toString()));
    if (path.isEmpty() && type == QTextDocument::ImageResource)
        path = installed_emoji(name.toString());
    if (path.isEmpty())
        return {};
    return QTextDocument::loadResource(type, QUrl::fromLocalFile(path));
}

void cached_document::draw_from_cache_only() {
    documentLayout()->registerHandler(QTextFormat::ImageObject, new cached_image_handler(this));
}

QImage cached_image_handler::image_of(QTextDocument* document, const QTextFormat& format) {
    QString name = format.toImageFormat().name();
    if (name.startsWith(QLatin1String(":/")))
        name.prepend(QLatin1String("qrc"));
    const QVariant data = document->resource(QTextDocument::ImageResource, QUrl(name));
    if (data.userType() == QMetaType::QImage)
        return data.value<QImage>();
    if (data.userType() == QMetaType::QPixmap)
        return data.value<QPixmap>().toImage();
    if (data.userType() == QMetaType::QByteArray)
        return QImage::fromData(data.toByteArray());
    return {};
}

QSizeF cached_image_handler::intrinsicSize(QTextDocument* document, int,
                                           const QTextFormat& format) {
    const QTextImageFormat image_format = format.toImageFormat();
    const QImage image = image_of(document, format);
    const QSizeF natural = image.isNull() ? QSizeF(16, 16) : QSizeF(image.size());
    const bool has_width = image_format.hasProperty(QTextFormat::ImageWidth);
    const bool has_height = image_format.hasProperty(QTextFormat::ImageHeight);
    if (has_width && has_height)
        return {image_format.width(), image_format.height()};
    if (has_width)
        return {image_format.width(), natural.height() * image_format.width() / natural.width()};
    if (has_height)
        return {natural.width() * image_format.height() / natural.height(), image_format.height()};
    return natural;
}

void cached_image_handler::drawObject(QPainter* painter, const QRectF& rect,
                                      QTextDocument* document, int, const QTextFormat& format) {
    const QImage image = image_of(document, format);
    if (!image.isNull())
        painter->drawImage(rect, image);
}

QString without_foreign_images(const QString& html) {
    // Only these make rich text load anything; a thousand plain scripts need
    // no second parse.
    static const QRegularExpression loads(QStringLiteral(R"(img|background|link|import|url\s*\()"),
                                          QRegularExpression::CaseInsensitiveOption);
    if (!Qt::mightBeRichText(html) || !html.contains(loads))
        return html;
    cached_document document;
    document.setHtml(html);
    QList<QPair<int, int>> foreign; // position, length
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next())
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const QTextCharFormat format = fragment.charFormat();
            if (format.isImageFormat() &&
                document.resource(QTextDocument::ImageResource, QUrl(format.toImageFormat().name()))
                    .isNull())
                foreign << qMakePair(fragment.position(), fragment.length());
        }
    // From the end, so the positions before stay valid.
    std::reverse(foreign.begin(), foreign.end());
    QTextCursor cursor(&document);
    for (const auto& [position, length] : foreign) {
        cursor.setPosition(position);
        cursor.setPosition(position + length, QTextCursor::KeepAnchor);
        cursor.removeSelectedText();
    }
    drop_background_images(document.rootFrame());
    return document.toHtml();
}

} // namespace quorvel
