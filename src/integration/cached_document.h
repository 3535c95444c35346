#pragma once

#include <QAbstractTextDocumentLayout>
#include <QImage>
#include <QString>
#include <QTextDocument>
#include <QUrl>
#include <QVariant>

namespace quorvel {

// The real path of a local file that this client may paste into a chat or
// draw from a script: a file in the cache or one of its own emoji images.
// Anything else (another local file, a link pointing out of the cache, a
// relative path) gives an empty string.
QString trusted_file(const QString& path);

// A script names an emoji by the path of the writer's installation
// (".../data/emoji/<name>"); this is the image of that name beside this
// program, or an empty string.
QString installed_emoji(const QString& name);

// The local path an image name or link stands for: a file: URL, an absolute
// path or a Windows drive path; empty for network and other addresses.
QString local_path_of(const QString& name);

// Rich text drawn from script HTML: images and style sheets come only from
// trusted files, embedded data or the program's resources, never from a
// file elsewhere on this computer or from the network.
class cached_document : public QTextDocument {
    Q_OBJECT
public:
    explicit cached_document(QObject* parent = nullptr) : QTextDocument(parent) {}

    // For a document on screen: its images are drawn from the resources
    // above only. Qt's own drawing opens the file an image names when the
    // resource gives nothing.
    void draw_from_cache_only();

protected:
    QVariant loadResource(int type, const QUrl& name) override;
};

// Draws images from what the document's resources give, nothing else.
class cached_image_handler : public QObject, public QTextObjectInterface {
    Q_OBJECT
    Q_INTERFACES(QTextObjectInterface)
public:
    using QObject::QObject;

    QSizeF intrinsicSize(QTextDocument* document, int position, const QTextFormat& format) override;
    void drawObject(QPainter* painter, const QRectF& rect, QTextDocument* document, int position,
                    const QTextFormat& format) override;

private:
    static QImage image_of(QTextDocument* document, const QTextFormat& format);
};

// Script HTML for a label or tooltip, which would load any local file it
// names: the images a cached_document refuses and background images are
// taken out. Text that is not rich comes back unchanged.
QString without_foreign_images(const QString& html);

} // namespace quorvel
