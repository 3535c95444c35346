// Draws every picture of the program in one flat style and writes them, with
// the resource file that lists them, into the given folder:
//   icon_factory OUT_DIR
// Each picture is a glyph (a few paths on a 24-pixel grid) in the colour of
// its state: normal gray, hot blue, pushed dark blue, selected blue, disabled
// light gray. The glyphs below are the source of every PNG.
#include <QDir>
#include <QFile>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QTextStream>
#include <functional>
#include <qrencode.h>

namespace {

const QColor normal_color("#5F6B7A");
const QColor hot_color("#1E92FF");
const QColor pushed_color("#0B63C9");
const QColor selected_color("#1E92FF");
const QColor disabled_color("#C3C8D0");

using glyph_t = std::function<void(QPainter&, const QColor&)>;

QPen stroke(const QColor& c, qreal width = 2) {
    return QPen(c, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

// ---- glyphs on a 24 x 24 grid ----

void pin(QPainter& p, const QColor& c, bool filled) {
    QPainterPath head;
    head.moveTo(9, 3);
    head.lineTo(15, 3);
    head.lineTo(14, 10);
    head.lineTo(17, 13);
    head.lineTo(7, 13);
    head.lineTo(10, 10);
    head.closeSubpath();
    p.setPen(stroke(c));
    p.setBrush(filled ? QBrush(c) : Qt::NoBrush);
    p.drawPath(head);
    p.drawLine(QPointF(12, 13), QPointF(12, 21));
}

void magic(QPainter& p, const QColor& c, bool off) {
    p.setPen(stroke(c));
    p.drawLine(QPointF(5, 19), QPointF(15, 9));
    p.setBrush(c);
    p.setPen(Qt::NoPen);
    for (auto [x, y, r] :
         {std::tuple{17.0, 5.0, 1.6}, std::tuple{20.0, 10.0, 1.2}, std::tuple{12.0, 4.0, 1.2}})
        p.drawEllipse(QPointF(x, y), r, r);
    if (off) {
        p.setPen(stroke(c));
        p.drawLine(QPointF(4, 4), QPointF(20, 20));
    }
}

void more(QPainter& p, const QColor& c) {
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    for (qreal x : {6.0, 12.0, 18.0})
        p.drawEllipse(QPointF(x, 12), 1.8, 1.8);
}

void minimise(QPainter& p, const QColor& c) {
    p.setPen(stroke(c));
    p.drawLine(QPointF(6, 12), QPointF(18, 12));
}

void maximise(QPainter& p, const QColor& c) {
    p.setPen(stroke(c));
    p.drawRect(QRectF(6, 6, 12, 12));
}

void close_cross(QPainter& p, const QColor& c) {
    p.setPen(stroke(c));
    p.drawLine(QPointF(7, 7), QPointF(17, 17));
    p.drawLine(QPointF(17, 7), QPointF(7, 17));
}

void gear(QPainter& p, const QColor& c) {
    p.setPen(stroke(c));
    p.drawEllipse(QPointF(12, 12), 3, 3);
    for (int i = 0; i < 8; ++i) {
        p.save();
        p.translate(12, 12);
        p.rotate(i * 45);
        p.drawLine(QPointF(0, -6.5), QPointF(0, -9));
        p.restore();
    }
    p.drawEllipse(QPointF(12, 12), 6.5, 6.5);
}

void book(QPainter& p, const QColor& c) { // the script library
    p.setPen(stroke(c));
    p.drawRoundedRect(QRectF(5, 4, 14, 16), 2, 2);
    for (qreal y : {9.0, 13.0})
        p.drawLine(QPointF(8, y), QPointF(16, y));
}

void document(QPainter& p, const QColor& c) {
    QPainterPath page;
    page.moveTo(6, 3);
    page.lineTo(14, 3);
    page.lineTo(18, 7);
    page.lineTo(18, 21);
    page.lineTo(6, 21);
    page.closeSubpath();
    p.setPen(stroke(c));
    p.drawPath(page);
    p.drawLine(QPointF(14, 3), QPointF(14, 7));
    p.drawLine(QPointF(14, 7), QPointF(18, 7));
}

void smiley(QPainter& p, const QColor& c) {
    p.setPen(stroke(c));
    p.drawEllipse(QPointF(12, 12), 8, 8);
    p.drawArc(QRectF(8, 9, 8, 7), 200 * 16, 140 * 16);
    p.setBrush(c);
    p.drawEllipse(QPointF(9.5, 10), 0.8, 0.8);
    p.drawEllipse(QPointF(14.5, 10), 0.8, 0.8);
}

void paper_plane(QPainter& p, const QColor& c) {
    QPainterPath plane;
    plane.moveTo(3, 11);
    plane.lineTo(21, 4);
    plane.lineTo(15, 20);
    plane.lineTo(11, 13);
    plane.closeSubpath();
    p.setPen(stroke(c));
    p.drawPath(plane);
    p.drawLine(QPointF(11, 13), QPointF(21, 4));
}

void chevron_down(QPainter& p, const QColor& c) {
    p.setPen(stroke(c));
    p.drawPolyline(QPolygonF({QPointF(7, 10), QPointF(12, 15), QPointF(17, 10)}));
}

void chevron_right(QPainter& p, const QColor& c) {
    p.setPen(stroke(c));
    p.drawPolyline(QPolygonF({QPointF(10, 7), QPointF(15, 12), QPointF(10, 17)}));
}

void sort_arrows(QPainter& p, const QColor& c) {
    p.setPen(stroke(c));
    p.drawLine(QPointF(8, 5), QPointF(8, 19));
    p.drawPolyline(QPolygonF({QPointF(5, 8), QPointF(8, 5), QPointF(11, 8)}));
    p.drawLine(QPointF(16, 5), QPointF(16, 19));
    p.drawPolyline(QPolygonF({QPointF(13, 16), QPointF(16, 19), QPointF(19, 16)}));
}

void clear_circle(QPainter& p, const QColor& c) {
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    p.drawEllipse(QPointF(12, 12), 8, 8);
    p.setPen(stroke(Qt::white));
    p.drawLine(QPointF(9, 9), QPointF(15, 15));
    p.drawLine(QPointF(15, 9), QPointF(9, 15));
}

void funnel(QPainter& p, const QColor& c) {
    p.setPen(stroke(c));
    p.drawPolygon(QPolygonF({QPointF(4, 5), QPointF(20, 5), QPointF(14, 12), QPointF(14, 19),
                             QPointF(10, 17), QPointF(10, 12)}));
}

void check(QPainter& p, const QColor& c) {
    p.setPen(stroke(c, 2.5));
    p.drawPolyline(QPolygonF({QPointF(5, 12), QPointF(10, 17), QPointF(19, 7)}));
}

void check_on_colour(QPainter& p, const QColor&) {
    check(p, Qt::white);
}

void eye(QPainter& p, const QColor& c) {
    QPainterPath lid;
    lid.moveTo(3, 12);
    lid.quadTo(12, 3, 21, 12);
    lid.quadTo(12, 21, 3, 12);
    p.setPen(stroke(c));
    p.drawPath(lid);
    p.drawEllipse(QPointF(12, 12), 2.5, 2.5);
}

void split(QPainter& p, const QColor& c) {
    p.setPen(stroke(c));
    p.drawRect(QRectF(4, 5, 16, 14));
    p.drawLine(QPointF(12, 5), QPointF(12, 19));
}

void picture(QPainter& p, const QColor& c) {
    p.setPen(stroke(c));
    p.drawRoundedRect(QRectF(3, 5, 18, 14), 2, 2);
    p.drawPolyline(QPolygonF(
        {QPointF(5, 17), QPointF(10, 11), QPointF(14, 15), QPointF(16, 13), QPointF(19, 17)}));
    p.drawEllipse(QPointF(16, 9), 1.5, 1.5);
}

void film(QPainter& p, const QColor& c) {
    p.setPen(stroke(c));
    p.drawRoundedRect(QRectF(3, 6, 13, 12), 2, 2);
    p.drawPolygon(QPolygonF({QPointF(16, 10), QPointF(21, 7), QPointF(21, 17), QPointF(16, 14)}));
}

void note(QPainter& p, const QColor& c) {
    p.setPen(stroke(c));
    p.drawLine(QPointF(10, 17), QPointF(10, 5));
    p.drawLine(QPointF(10, 5), QPointF(18, 3));
    p.drawLine(QPointF(18, 3), QPointF(18, 15));
    p.setBrush(c);
    p.drawEllipse(QPointF(8, 17), 2.5, 2);
    p.drawEllipse(QPointF(16, 15), 2.5, 2);
}

void paperclip(QPainter& p, const QColor& c) {
    QPainterPath clip;
    clip.moveTo(15, 7);
    clip.lineTo(8, 14);
    clip.arcTo(QRectF(6, 12, 5, 5), 135, 180);
    clip.lineTo(17, 8);
    clip.arcTo(QRectF(14, 4, 7, 7), -45, 180);
    clip.lineTo(7, 17);
    p.setPen(stroke(c));
    p.drawPath(clip);
}

void braces(QPainter& p, const QColor& c) { // the date variable
    p.setPen(stroke(c));
    p.drawPolyline(QPolygonF({QPointF(9, 4), QPointF(7, 5), QPointF(7, 10), QPointF(5, 12),
                              QPointF(7, 14), QPointF(7, 19), QPointF(9, 20)}));
    p.drawPolyline(QPolygonF({QPointF(15, 4), QPointF(17, 5), QPointF(17, 10), QPointF(19, 12),
                              QPointF(17, 14), QPointF(17, 19), QPointF(15, 20)}));
}

void cloud(QPainter& p, const QColor& c) {
    QPainterPath shape;
    shape.addEllipse(QRectF(4, 10, 8, 8));
    shape.addEllipse(QRectF(8, 6, 10, 10));
    shape.addEllipse(QRectF(13, 10, 7, 8));
    shape.addRect(QRectF(8, 12, 8, 6));
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    p.drawPath(shape.simplified());
}

void computer(QPainter& p, const QColor& c) {
    p.setPen(stroke(c));
    p.drawRoundedRect(QRectF(3, 4, 18, 12), 1.5, 1.5);
    p.drawLine(QPointF(12, 16), QPointF(12, 20));
    p.drawLine(QPointF(8, 20), QPointF(16, 20));
}

// A file-type badge: a page with a coloured band and a short label.
glyph_t file_type(const QColor& band, const QString& label) {
    return [band, label](QPainter& p, const QColor&) {
        document(p, QColor("#8A94A6"));
        p.setPen(Qt::NoPen);
        p.setBrush(band);
        p.drawRoundedRect(QRectF(3, 11, 15, 7), 1.5, 1.5);
        QFont font = p.font();
        font.setPixelSize(6);
        font.setBold(true);
        p.setFont(font);
        p.setPen(Qt::white);
        p.drawText(QRectF(3, 11, 15, 7), Qt::AlignCenter, label);
    };
}

void logo(QPainter& p, const QColor&) {
    p.setPen(Qt::NoPen);
    p.setBrush(QColor("#1E92FF"));
    p.drawRoundedRect(QRectF(1, 1, 22, 22), 6, 6);
    QPainterPath bubble;
    bubble.addRoundedRect(QRectF(5, 5, 14, 11), 4, 4);
    bubble.moveTo(8, 15);
    bubble.lineTo(7, 19);
    bubble.lineTo(12, 15.5);
    p.setBrush(Qt::white);
    p.drawPath(bubble.simplified());
    p.setPen(stroke(QColor("#1E92FF"), 1.6));
    p.drawEllipse(QPointF(12, 10.5), 2.8, 2.8);
    p.drawLine(QPointF(13.8, 12.3), QPointF(15.6, 14.1));
}

QImage render(const glyph_t& glyph, const QColor& color, int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.scale(size / 24.0, size / 24.0);
    glyph(painter, color);
    return image;
}

QImage support_qr() {
    const QByteArray text = QStringLiteral("Quorvel 客服支持：请在管理页面提交工单").toUtf8();
    QRcode* code = QRcode_encodeString(text.constData(), 0, QR_ECLEVEL_M, QR_MODE_8, 1);
    const int modules = code ? code->width : 21;
    const int scale = 6, border = 4;
    QImage image((modules + 2 * border) * scale, (modules + 2 * border) * scale,
                 QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    for (int y = 0; code && y < modules; ++y)
        for (int x = 0; x < modules; ++x)
            if (code->data[y * modules + x] & 1)
                painter.fillRect((x + border) * scale, (y + border) * scale, scale, scale,
                                 Qt::black);
    if (code)
        QRcode_free(code);
    return image;
}

// The emoji of the script editor's picker: the faces, hands, hearts and a few
// everyday signs, about 150 of the font's several thousand, so the build
// stays quick and the picker short.
QList<uint> emoji_codes() {
    QList<uint> codes;
    for (uint c = 0x1F600; c <= 0x1F64F; ++c) // faces and gestures
        codes << c;
    for (uint c : {0x1F44D, 0x1F44E, 0x1F44C, 0x1F44F, 0x1F44B, 0x1F64F, 0x1F4AA, 0x1F91D, 0x1F590,
                   0x270C,  0x261D,  0x1F446, 0x1F447, 0x1F448, 0x1F449, 0x2764,  0x1F494, 0x1F495,
                   0x1F496, 0x1F49B, 0x1F49A, 0x1F499, 0x1F49C, 0x1F525, 0x2B50,  0x1F31F, 0x2728,
                   0x1F389, 0x1F38A, 0x1F381, 0x1F382, 0x1F339, 0x1F33B, 0x1F340, 0x2600,  0x1F319,
                   0x2614,  0x2615,  0x1F375, 0x1F37A, 0x1F370, 0x1F34E, 0x1F349, 0x1F4B0, 0x1F4E6,
                   0x1F69A, 0x1F4DE, 0x1F4F1, 0x1F4E7, 0x1F4DD, 0x1F4C5, 0x23F0,  0x2705,  0x274C,
                   0x2753,  0x2757,  0x1F4AF, 0x1F197, 0x1F195, 0x1F192, 0x1F6A9, 0x1F3C6, 0x1F451,
                   0x1F680, 0x1F44A, 0x1F918, 0x1F919, 0x1F937, 0x1F926, 0x1F914, 0x1F917, 0x1F929})
        codes << c;
    return codes;
}

// Renders each emoji of the colour font at its own size and scales it to
// 24 x 24, one "<code point in hex>.png" per emoji.
int render_emoji(const QString& font_file, const QString& out) {
    const int id = QFontDatabase::addApplicationFont(font_file);
    const QStringList families = QFontDatabase::applicationFontFamilies(id);
    if (families.isEmpty()) {
        qWarning("cannot load the emoji font %s", qPrintable(font_file));
        return 1;
    }
    QDir().mkpath(out);
    QFont font(families.first());
    font.setPixelSize(109); // the size of the font's own bitmaps
    const int canvas = 136;
    for (uint code : emoji_codes()) {
        const QString text = QString::fromUcs4(&code, 1);
        QImage big(canvas, canvas, QImage::Format_ARGB32_Premultiplied);
        big.fill(Qt::transparent);
        {
            QPainter p(&big);
            p.setFont(font);
            p.drawText(QRect(0, 0, canvas, canvas), Qt::AlignCenter, text);
        }
        // Tight around what was drawn, kept square, then 24 x 24.
        QRect used;
        for (int y = 0; y < canvas; ++y)
            for (int x = 0; x < canvas; ++x)
                if (qAlpha(big.pixel(x, y)) > 0)
                    used |= QRect(x, y, 1, 1);
        if (used.isEmpty())
            continue; // not in the font
        const int side = qMax(used.width(), used.height());
        const QRect square(used.center().x() - side / 2, used.center().y() - side / 2, side, side);
        QImage icon(24, 24, QImage::Format_ARGB32_Premultiplied);
        icon.fill(Qt::transparent);
        {
            QPainter p(&icon);
            p.setRenderHint(QPainter::SmoothPixmapTransform);
            p.drawImage(QRect(0, 0, 24, 24), big, square);
        }
        const QString name = QStringLiteral("%1/%2.png").arg(out).arg(code, 0, 16);
        if (!icon.save(name, "PNG"))
            return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    //   icon_factory --emoji FONT_FILE OUT_DIR
    if (argc == 4 && QByteArray(argv[1]) == "--emoji")
        return render_emoji(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]));
    if (argc < 2)
        return 2;
    const QString out = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(out + "/images/icon");
    QDir().mkpath(out + "/quorvel/icon");
    QStringList files;
    auto save = [&](const QString& name, const QImage& image, const char* format = "PNG") {
        const QString relative = name;
        if (!image.save(out + "/" + relative, format))
            qFatal("cannot write %s", qPrintable(relative));
        files << relative;
    };
    struct state_t {
        const char* suffix;
        QColor color;
    };
    const state_t normal{"normal", normal_color}, hot{"hot", hot_color},
        pushed{"pushed", pushed_color}, selected{"selected", selected_color},
        disabled{"disabled", disabled_color};
    auto states = [&](const QString& name, const glyph_t& glyph,
                      std::initializer_list<state_t> list, int size = 24) {
        for (const state_t& s : list)
            save(QStringLiteral("images/icon/%1_%2.png").arg(name, QLatin1String(s.suffix)),
                 render(glyph, s.color, size));
    };
    auto plain = [&](const QString& name, const glyph_t& glyph, const QColor& color,
                     int size = 24) {
        save(QStringLiteral("images/icon/%1.png").arg(name), render(glyph, color, size));
    };

    states("pin", [](QPainter& p, const QColor& c) { pin(p, c, false); }, {normal, hot, pushed});
    states("pin_selected", [](QPainter& p, const QColor& c) { pin(p, c, true); },
           {state_t{"normal", selected_color}, hot, pushed});
    states("magic", [](QPainter& p, const QColor& c) { magic(p, c, false); },
           {state_t{"normal", selected_color}, pushed});
    states("magic_off", [](QPainter& p, const QColor& c) { magic(p, c, true); },
           {normal, hot, pushed});
    states("more", more, {normal, hot, pushed});
    states("min", minimise, {normal, hot, pushed});
    states("max", maximise, {normal, hot, pushed});
    states("close", close_cross, {normal, state_t{"hot", QColor("#E5484D")}});
    states("setting", gear, {normal, hot});
    states("kb", book, {normal, selected, pushed});
    states("doc", document, {normal, selected, pushed});
    states("emoji", smiley, {normal, selected, pushed});
    states("send", paper_plane, {normal, hot, pushed});
    states("arrow", chevron_down, {normal, pushed, selected});
    states("sort", sort_arrows, {normal});
    states("clear", clear_circle, {state_t{"normal", QColor("#AEB4BE")}, disabled});
    states("split", split, {normal, hot, selected});
    plain("filter", funnel, normal_color);
    plain("expanded", chevron_down, normal_color, 16);
    plain("collapsed", chevron_right, normal_color, 16);
    plain("selected", check, selected_color, 16);
    plain("selected_color", check_on_colour, Qt::white, 16);
    plain("selected_expanded", chevron_down, selected_color, 16);
    plain("selected_collapsed", chevron_right, selected_color, 16);
    plain("visible", eye, normal_color);
    plain("script_image", picture, normal_color);
    plain("script_video", film, normal_color);
    plain("script_audio", note, normal_color);
    plain("script_file", paperclip, normal_color);
    plain("script_param", braces, normal_color);
    const struct {
        const char* name;
        const char* color;
        const char* label;
    } types[] = {{"audio", "#8E6CEF", "MP3"}, {"video", "#E5484D", "MP4"},
                 {"image", "#12A594", "IMG"}, {"word", "#2B6CD4", "DOC"},
                 {"excel", "#1F9D55", "XLS"}, {"ppt", "#E8702A", "PPT"},
                 {"pdf", "#D93025", "PDF"},   {"txt", "#6B7280", "TXT"},
                 {"zip", "#B7791F", "ZIP"},   {"other", "#9AA3AF", "..."}};
    for (const auto& t : types) {
        plain(QLatin1String(t.name), file_type(QColor(t.color), QLatin1String(t.label)),
              normal_color, 48);
        plain(QLatin1String(t.name) + QStringLiteral("_small"),
              file_type(QColor(t.color), QLatin1String(t.label)), normal_color, 24);
    }
    plain("logo", logo, normal_color, 256);
    plain("cloud", cloud, hot_color);
    plain("computer", computer, normal_color);
    save(QStringLiteral("quorvel/icon/kefu.jpg"), support_qr(), "JPG");

    QFile qrc(out + "/quorvel_images.qrc");
    if (!qrc.open(QIODevice::WriteOnly))
        return 1;
    QTextStream stream(&qrc);
    stream << "<RCC>\n  <qresource prefix=\"/\">\n";
    for (const QString& file : files)
        stream << "    <file>" << file << "</file>\n";
    stream << "  </qresource>\n</RCC>\n";
    return 0;
}
