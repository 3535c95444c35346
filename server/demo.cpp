#include "demo.h"

#include "admin.h"
#include "api.h"

#include <QBuffer>
#include <QColor>
#include <QImage>
#include <QPainter>
#include <QRandomGenerator>
#include <QStringList>

namespace quorvel::server {

namespace {

const demo_account_t accounts[] = {
    {"admin", "admin123", "系统管理员"},
    {"manager", "manager123", "客服主管"},
    {"agent", "agent123", "客服专员"},
};

// A script body as the client's rich-text editor exports it.
QString rich_text(const QStringList& paragraphs) {
    QString html = QStringLiteral(
        "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.0//EN\" "
        "\"http://www.w3.org/TR/REC-html40/strict.dtd\">\n"
        "<html><head><meta name=\"qrichtext\" content=\"1\" /><style type=\"text/css\">\n"
        "p, li { white-space: pre-wrap; }\n"
        "</style></head><body style=\" font-family:'Microsoft YaHei'; font-size:9pt; "
        "font-weight:400;"
        " font-style:normal;\">\n");
    for (const QString& p : paragraphs)
        html += QStringLiteral("<p style=\" margin-top:0px; margin-bottom:0px; margin-left:0px;"
                               " margin-right:0px; -qt-block-indent:0; text-indent:0px;\">%1</p>\n")
                    .arg(p);
    return html + QStringLiteral("</body></html>");
}

QByteArray sticker_png(int index) {
    QImage image(96, 96, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor face = QColor::fromHsv((index * 37) % 360, 160, 245);
    painter.setBrush(face);
    painter.setPen(QPen(face.darker(150), 3));
    painter.drawEllipse(6, 6, 84, 84);
    painter.setBrush(Qt::black);
    painter.setPen(Qt::NoPen);
    const int eye = 8 + index % 4;
    painter.drawEllipse(30, 32, eye, eye + index % 3 * 2);
    painter.drawEllipse(58, 32, eye, eye + index % 3 * 2);
    painter.setPen(QPen(Qt::black, 4, Qt::SolidLine, Qt::RoundCap));
    painter.setBrush(Qt::NoBrush);
    const int mood = index % 3; // smile, open mouth, flat
    if (mood == 0)
        painter.drawArc(28, 40, 40, 30, 200 * 16, 140 * 16);
    else if (mood == 1)
        painter.drawEllipse(40, 58, 16, 12);
    else
        painter.drawLine(34, 64, 62, 64);
    painter.end();
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

struct demo_doc_t {
    const char* name;
    const char* suffix;
    QByteArray content;
};

QList<demo_doc_t> demo_docs() {
    return {
        {"产品价目表", "csv",
         QStringLiteral("产品,型号,价格\n智能音箱,QV-100,299\n无线耳机,QV-220,399\n"
                        "智能手表,QV-310,899\n扫地机器人,QV-520,1999\n")
             .toUtf8()},
        {"退换货政策", "txt",
         QStringLiteral("退换货政策\n\n1. 自签收之日起7天内可无理由退货。\n"
                        "2. 15天内出现质量问题可换货。\n3. 退货运费由责任方承担。\n")
             .toUtf8()},
        {"售后服务手册", "md",
         QStringLiteral("# 售后服务手册\n\n## 保修范围\n整机保修一年，电池保修六个月。\n\n"
                        "## 维修流程\n1. 联系客服登记\n2. 寄回检测\n3. 维修后寄回\n")
             .toUtf8()},
        {"会员权益说明", "html",
         QStringLiteral("<!doctype html><html><head><meta charset=\"utf-8\"><title>会员权益"
                        "</title></head><body><h1>会员权益</h1><ul><li>积分翻倍</li>"
                        "<li>生日礼包</li><li>专属客服</li></ul></body></html>")
             .toUtf8()},
        {"物流时效表", "csv",
         QStringLiteral("地区,时效（天）\n华东,1-2\n华南,2-3\n华北,2-3\n西南,3-4\n西北,4-5\n")
             .toUtf8()},
        {"常见问题", "txt",
         QStringLiteral("常见问题\n\n问：如何查询物流？\n答：在订单详情页点击“查看物流”。\n\n"
                        "问：可以开发票吗？\n答：可以，下单时填写发票信息即可。\n")
             .toUtf8()},
        {"产品参数", "json",
         QStringLiteral("{\"型号\": \"QV-100\", \"功率\": \"10W\", \"续航\": \"8小时\", "
                        "\"颜色\": [\"白\", \"黑\", \"蓝\"]}\n")
             .toUtf8()},
        {"品牌标志", "svg",
         QByteArray("<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"120\" height=\"120\">"
                    "<circle cx=\"60\" cy=\"60\" r=\"54\" fill=\"#1E92FF\"/>"
                    "<text x=\"60\" y=\"74\" font-size=\"40\" text-anchor=\"middle\" "
                    "fill=\"white\">Q</text></svg>\n")},
        {"活动日程", "xml",
         QStringLiteral(
             "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<活动>\n"
             "  <项 日期=\"6月1日\">儿童节特惠</项>\n  <项 日期=\"6月18日\">年中大促</项>\n"
             "</活动>\n")
             .toUtf8()},
        {"安装指南", "txt",
         QStringLiteral("安装指南\n\n1. 取出设备并接通电源。\n2. 下载手机应用并登录。\n"
                        "3. 按提示完成配网。\n")
             .toUtf8()},
        {"客服培训资料", "md",
         QStringLiteral("# 客服培训资料\n\n- 先问候，再确认问题\n- 不推诿，给出明确时限\n"
                        "- 结束前确认客户满意\n")
             .toUtf8()},
    };
}

const QStringList products = {QStringLiteral("智能音箱"),   QStringLiteral("无线耳机"),
                              QStringLiteral("智能手表"),   QStringLiteral("扫地机器人"),
                              QStringLiteral("空气净化器"), QStringLiteral("电动牙刷")};

// Script texts per topic: (keywords, paragraphs); %1 is a product name.
struct topic_t {
    const char* category;
    QList<QPair<QString, QStringList>> scripts;
};

QList<topic_t> topics() {
    auto s = [](const char* k, std::initializer_list<const char*> ps) {
        QStringList list;
        for (const char* p : ps)
            list << QString::fromUtf8(p);
        return qMakePair(QString::fromUtf8(k), list);
    };
    return {
        {"开场问候",
         {s("欢迎语", {"您好，欢迎光临Quorvel旗舰店，我是客服小Q，很高兴为您服务！"}),
          s("节日问候", {"亲，今天是${日期}，祝您生活愉快！", "有任何问题随时找我哦。"}),
          s("回访问候", {"您好，我是之前为您服务的客服，想了解一下%1的使用情况。"}),
          s("排队致歉", {"抱歉让您久等了，现在咨询的客户较多，我马上为您处理。"})}},
        {"产品介绍",
         {s("卖点介绍", {"%1采用全新设计，续航更长，操作更简单。", "现在下单还送精美礼品一份。"}),
          s("规格参数", {"%1的详细参数请参考附件。"}),
          s("使用场景", {"%1适合家庭、办公室等多种场景使用。"}),
          s("对比说明", {"相比上一代，%1的性能提升了30%，功耗降低了20%。"})}},
        {"价格优惠",
         {s("限时优惠", {"亲，%1今天有限时优惠，下单立减50元！", "活动截止到${日期}24点。"}),
          s("优惠券", {"您可以在店铺首页领取满300减30的优惠券。"}),
          s("会员价", {"会员购买%1可享受95折优惠。"}),
          s("价格保护", {"我们支持15天价格保护，如降价可申请退差价。"})}},
        {"退换货",
         {s("退货流程", {"亲，退货请在订单页点击“申请售后”，选择退货原因后提交即可。",
                         "审核通过后请在7天内寄回商品。"}),
          s("换货说明", {"%1在15天内出现质量问题可以直接换新。"}),
          s("退款时效", {"退款会在仓库签收后1-3个工作日原路退回。"}),
          s("运费说明", {"质量问题产生的运费由我们承担，请保留寄件凭证。"})}},
        {"维修保修",
         {s("保修政策", {"%1整机保修一年，保修期内免费维修。"}),
          s("寄修地址", {"寄修地址：上海市浦东新区示范路88号 Quorvel售后中心，电话400-000-0000。"}),
          s("维修进度", {"您的维修单已受理，预计3个工作日内完成，完成后会短信通知您。"})}},
        {"物流配送",
         {s("发货时间", {"亲，当天16点前付款的订单当天发货，之后的次日发货。"}),
          s("物流查询", {"您可以在订单详情页点击“查看物流”实时查询配送进度。"}),
          s("偏远地区", {"偏远地区需要额外2-3天，请您耐心等待。"}),
          s("修改地址", {"发货前可以修改地址，请告诉我新的收货信息。"})}},
        {"支付问题",
         {s("支付方式", {"我们支持微信支付、支付宝和银行卡支付。"}),
          s("分期付款", {"%1支持3期、6期免息分期。"}),
          s("发票开具", {"下单时在发票栏填写抬头和税号，发货后电子发票会发送到您的邮箱。"})}},
        {"结束语",
         {s("感谢语", {"感谢您的耐心，祝您购物愉快，再见！"}),
          s("评价邀请", {"如果对我的服务满意，请给个五星好评哦～"}),
          s("后续跟进", {"后续有任何问题，直接在这里留言，我们会第一时间回复。"})}},
    };
}

const QStringList keyword_colours = {QStringLiteral("${#ff0000}"),
                                     QStringLiteral("${#ffffff}"),
                                     QStringLiteral("${#0000ff}"),
                                     QString(),
                                     QString(),
                                     QString()};

class seeder {
public:
    seeder(transaction& tx, file_store& files, const QString& base_url)
        : tx_(tx), files_(files), base_url_(base_url) {}

    qint64 dept(const QString& name, qint64 parent) {
        return tx_
            .insert(QStringLiteral("INSERT INTO departments (parent_id, name) VALUES (?, ?)"),
                    {parent, name})
            .toLongLong();
    }
    qint64 role(const QString& name, const QString& key) {
        return tx_
            .insert(QStringLiteral("INSERT INTO roles (name, role_key) VALUES (?, ?)"), {name, key})
            .toLongLong();
    }
    qint64 category(const QString& name, const char* business, part p, qint64 dept, qint64 owner,
                    qint64 parent = -1) {
        const qint64 sort = ++sorts_[parent];
        return tx_
            .insert(QStringLiteral("INSERT INTO categories (super_id, name, business_type,"
                                   " classify_type, dept_id, owner_id, sort, unfold)"
                                   " VALUES (?, ?, ?, ?, ?, ?, ?, 1)"),
                    {parent, name, QString(QLatin1String(business)),
                     QString(QLatin1String(protocol::part_text(p))), dept, owner, sort})
            .toLongLong();
    }
    void script(qint64 category, const QString& keywords, const QString& content,
                const QString& who) {
        tx_.run(QStringLiteral(
                    "INSERT INTO scripts (classify_id, keywords, content, custom_shortcuts, sort,"
                    " creator, updater, created, updated) VALUES (?, ?, ?, '', ?, ?, ?, ?, ?)"),
                {category, keywords, content, ++sorts_[category + 1000000000LL], who, who,
                 now_text(), now_text()});
    }
    qint64 file(const QByteArray& bytes, const QString& name) {
        file_meta_t meta;
        meta.account = QStringLiteral("admin");
        meta.owner_id = 1;
        meta.kind = file_kind::shared;
        meta.client_path = QStringLiteral("D:\\资料\\") + name;
        return files_.store_bytes(tx_, bytes, meta).value_or(0);
    }
    void sticker(qint64 category, qint64 file_id, const QString& name) {
        tx_.run(QStringLiteral(
                    "INSERT INTO stickers (classify_id, emoji_type, description, keywords, file_id,"
                    " sort, creator, updater, created, updated) VALUES (?, ?, ?, ?, ?, ?,"
                    " 'admin', 'admin', ?, ?)"),
                {category, QString(QLatin1String(protocol::sticker_type::stored)), name, name,
                 file_id, ++sorts_[category + 2000000000LL], now_text(), now_text()});
    }
    void doc(qint64 category, qint64 file_id, const demo_doc_t& d, qint64 size) {
        tx_.run(
            QStringLiteral(
                "INSERT INTO docs (classify_id, file_name, file_suffix, file_size, file_type,"
                " keywords, custom_shortcuts, file_id, sort, creator, updater, created, updated)"
                " VALUES (?, ?, ?, ?, ?, ?, 'unknown', ?, ?, 'admin', 'admin', ?, ?)"),
            {category, QString::fromUtf8(d.name), QString::fromLatin1(d.suffix), size,
             QString(QLatin1String(protocol::file_type::stored)), QString::fromUtf8(d.name),
             file_id, ++sorts_[category + 3000000000LL], now_text(), now_text()});
    }
    void phrase(qint64 user, const QString& text) {
        tx_.run(
            QStringLiteral(
                "INSERT INTO phrases (user_id, content, sort, valid_status) VALUES (?, ?, ?, 0)"),
            {user, text, ++sorts_[-user - 10]});
    }
    const QString& base_url() const { return base_url_; }
    transaction& tx() { return tx_; }

private:
    transaction& tx_;
    file_store& files_;
    QString base_url_;
    QHash<qint64, qint64> sorts_;
};

QString link_paragraph(int n, const QList<QPair<qint64, demo_doc_t>>& docs,
                       const QString& base_url) {
    const auto& [file_id, d] = docs[n % docs.size()];
    const QString name = QString::fromUtf8(d.name);
    const QString suffix = QString::fromLatin1(d.suffix);
    using namespace protocol::file_link;
    const QString named =
        QStringLiteral("%1=%2&amp;%3=%4\">%2.%4</a>")
            .arg(QLatin1String(name_key), name, QLatin1String(suffix_key), suffix);
    if (n % 2 == 0)
        return QStringLiteral("详细资料：<a href=\"%1?%2=%3&amp;")
                   .arg(QLatin1String(placeholder), QLatin1String(id_key),
                        QString::number(file_id)) +
               named;
    return QStringLiteral("下载地址：<a href=\"%1/public/%2?")
               .arg(base_url, QString::number(file_id)) +
           named;
}

} // namespace

const demo_account_t* demo_accounts(int* count) {
    *count = static_cast<int>(std::size(accounts));
    return accounts;
}

bool seed_demo(storage& store, file_store& files, const QString& base_url, QString* error) {
    {
        transaction check(store, false);
        if (check.scalar(QStringLiteral("SELECT COUNT(*) FROM users")).toLongLong() > 0)
            return true;
    }
    qint64 hq = 0, service = 0, presale = 0, aftersale = 0, sales = 0;
    {
        transaction tx(store, true);
        seeder s(tx, files, base_url);
        hq = s.dept(QStringLiteral("总部"), 0);
        service = s.dept(QStringLiteral("客服中心"), hq);
        presale = s.dept(QStringLiteral("售前组"), service);
        aftersale = s.dept(QStringLiteral("售后组"), service);
        sales = s.dept(QStringLiteral("销售部"), hq);
        s.role(QStringLiteral("系统管理员"), QStringLiteral("adminzz"));
        s.role(QStringLiteral("客服主管"), QStringLiteral("kfzz"));
        s.role(QStringLiteral("客服专员"), QStringLiteral("kf"));
        if (!tx.commit()) {
            *error = tx.error();
            return false;
        }
    }
    const auto admin = add_user(store, QStringLiteral("admin"), QStringLiteral("系统管理员"),
                                QString::fromLatin1(accounts[0].password), hq,
                                {QStringLiteral("adminzz")}, true, error);
    const auto manager = add_user(store, QStringLiteral("manager"), QStringLiteral("王主管"),
                                  QString::fromLatin1(accounts[1].password), service,
                                  {QStringLiteral("kfzz")}, false, error);
    const auto agent = add_user(store, QStringLiteral("agent"), QStringLiteral("李小客"),
                                QString::fromLatin1(accounts[2].password), presale,
                                {QStringLiteral("kf")}, false, error);
    if (!admin || !manager || !agent)
        return false;
    for (qint64 d : {service, presale, aftersale})
        grant_department(store, QStringLiteral("manager"), d, QStringLiteral("kfzz"), error);
    grant_department(store, QStringLiteral("agent"), presale, QStringLiteral("kf"), error);
    grant_department(store, QStringLiteral("admin"), hq, QStringLiteral("adminzz"), error);

    transaction lib(store, true);
    seeder l(lib, files, base_url);

    // Files first: stickers and documents live in the file store.
    QList<QPair<qint64, demo_doc_t>> docs;
    QList<qint64> doc_sizes;
    for (const demo_doc_t& d : demo_docs()) {
        docs << qMakePair(l.file(d.content, QString::fromUtf8(d.name) + QLatin1Char('.') +
                                                QLatin1String(d.suffix)),
                          d);
        doc_sizes << d.content.size();
    }

    // Scripts: public topics with sub-categories, department and personal libraries.
    const QList<topic_t> all_topics = topics();
    const qint64 greet = l.category(QStringLiteral("开场问候"), business::scripts, part::pub, 0, 0);
    const qint64 presale_cat =
        l.category(QStringLiteral("售前咨询"), business::scripts, part::pub, 0, 0);
    const qint64 product =
        l.category(QStringLiteral("产品介绍"), business::scripts, part::pub, 0, 0, presale_cat);
    const qint64 price =
        l.category(QStringLiteral("价格优惠"), business::scripts, part::pub, 0, 0, presale_cat);
    const qint64 after = l.category(QStringLiteral("售后服务"), business::scripts, part::pub, 0, 0);
    const qint64 returns =
        l.category(QStringLiteral("退换货"), business::scripts, part::pub, 0, 0, after);
    const qint64 repair =
        l.category(QStringLiteral("维修保修"), business::scripts, part::pub, 0, 0, after);
    const qint64 logistics =
        l.category(QStringLiteral("物流配送"), business::scripts, part::pub, 0, 0);
    const qint64 payment =
        l.category(QStringLiteral("支付问题"), business::scripts, part::pub, 0, 0);
    const qint64 closing = l.category(QStringLiteral("结束语"), business::scripts, part::pub, 0, 0);
    const QList<qint64> public_cats = {greet,  product,   price,   returns,
                                       repair, logistics, payment, closing};

    const qint64 presale_dept =
        l.category(QStringLiteral("售前话术"), business::scripts, part::dept, presale, 0);
    const qint64 campaign =
        l.category(QStringLiteral("活动推广"), business::scripts, part::dept, presale, 0);
    const qint64 after_dept =
        l.category(QStringLiteral("售后话术"), business::scripts, part::dept, aftersale, 0);
    const qint64 soothe =
        l.category(QStringLiteral("客户安抚"), business::scripts, part::dept, aftersale, 0);
    const qint64 service_dept =
        l.category(QStringLiteral("客服规范"), business::scripts, part::dept, service, 0);
    const qint64 sales_dept =
        l.category(QStringLiteral("销售话术"), business::scripts, part::dept, sales, 0);
    const qint64 agent_mine =
        l.category(QStringLiteral("我的常用"), business::scripts, part::personal, 0, *agent);
    const qint64 agent_fav =
        l.category(QStringLiteral("个人收藏"), business::scripts, part::personal, 0, *agent);
    const qint64 manager_mine =
        l.category(QStringLiteral("主管备忘"), business::scripts, part::personal, 0, *manager);
    const qint64 admin_mine =
        l.category(QStringLiteral("管理员草稿"), business::scripts, part::personal, 0, *admin);
    const QList<qint64> other_cats = {presale_dept, campaign,   after_dept, soothe,
                                      service_dept, sales_dept, agent_mine, agent_fav,
                                      manager_mine, admin_mine};

    int n = 0;
    for (int round = 0; round < 3; ++round) {
        for (int t = 0; t < all_topics.size(); ++t) {
            for (const auto& [keywords, paragraphs] : all_topics[t].scripts) {
                const QString item = products[(n + round) % products.size()];
                QStringList body;
                for (const QString& p : paragraphs)
                    body << (p.contains(QLatin1String("%1")) ? p.arg(item) : p);
                if (n % 5 == 0)
                    body << link_paragraph(n / 5, docs, base_url);
                if (n % 7 == 3)
                    body << QStringLiteral("如需帮助请随时联系我们。");
                const QString title =
                    round == 0 ? keywords : keywords + QStringLiteral("（%1）").arg(item);
                l.script(public_cats[t], keyword_colours[n % keyword_colours.size()] + title,
                         rich_text(body), QStringLiteral("admin"));
                ++n;
            }
        }
    }
    // General after-sales replies sit beside its sub-categories.
    const QStringList after_general = {
        QStringLiteral("亲，售后问题请提供订单号，我马上为您查询。"),
        QStringLiteral("亲，售后专员会在24小时内联系您，请保持电话畅通。"),
        QStringLiteral("亲，给您带来不便非常抱歉，我们一定尽快处理。")};
    for (int i = 0; i < after_general.size(); ++i)
        l.script(after,
                 keyword_colours[i % keyword_colours.size()] +
                     QStringLiteral("售后通用%1").arg(i + 1),
                 rich_text({after_general[i]}), QStringLiteral("admin"));
    for (int i = 0; i < 14 * other_cats.size(); ++i) {
        const qint64 cat = other_cats[i % other_cats.size()];
        const QString item = products[i % products.size()];
        QStringList body{QStringLiteral("关于%1的第%2条参考回复：请先确认客户的订单号和问题描述。")
                             .arg(item)
                             .arg(i + 1),
                         QStringLiteral("处理完成后告知客户结果，并记录在工单中。")};
        if (i % 6 == 0)
            body << link_paragraph(i, docs, base_url);
        l.script(cat,
                 keyword_colours[i % keyword_colours.size()] +
                     QStringLiteral("%1 参考%2").arg(item).arg(i + 1),
                 rich_text(body), QStringLiteral("manager"));
    }

    // Stickers.
    const qint64 common =
        l.category(QStringLiteral("常用表情"), business::stickers, part::pub, 0, 0);
    const qint64 festive =
        l.category(QStringLiteral("节日祝福"), business::stickers, part::pub, 0, 0);
    const qint64 my_stickers =
        l.category(QStringLiteral("我的表情"), business::stickers, part::personal, 0, *agent);
    const qint64 dept_stickers =
        l.category(QStringLiteral("售前表情"), business::stickers, part::dept, presale, 0);
    const QStringList moods = {QStringLiteral("微笑"), QStringLiteral("惊讶"),
                               QStringLiteral("淡定"), QStringLiteral("开心"),
                               QStringLiteral("点赞"), QStringLiteral("感谢")};
    for (int i = 0; i < 32; ++i) {
        const QString name = moods[i % moods.size()] + QString::number(i + 1);
        const qint64 file = l.file(sticker_png(i), name + QStringLiteral(".png"));
        const qint64 cat = i < 16   ? common
                           : i < 24 ? festive
                           : i < 28 ? my_stickers
                                    : dept_stickers;
        l.sticker(cat, file, name);
    }

    // Documents, and the attachments category every client expects.
    const qint64 manuals =
        l.category(QStringLiteral("产品资料"), business::documents, part::pub, 0, 0);
    const qint64 guides =
        l.category(QStringLiteral("操作手册"), business::documents, part::pub, 0, 0);
    const qint64 my_docs =
        l.category(QStringLiteral("我的文档"), business::documents, part::personal, 0, *agent);
    l.category(QLatin1String(attachments_marker), business::documents, part::pub, 0, 0);
    for (int i = 0; i < docs.size(); ++i)
        l.doc(i < 5   ? manuals
              : i < 9 ? guides
                      : my_docs,
              docs[i].first, docs[i].second, doc_sizes[i]);

    // Phrases and quick replies.
    for (qint64 user : {*admin, *manager, *agent})
        for (const char* text : {"您好，在的～", "请稍等，我帮您查询一下", "好的，马上为您处理",
                                 "还有其他可以帮您的吗？", "感谢您的耐心等待", "祝您生活愉快！"})
            l.phrase(user, QString::fromUtf8(text));
    lib.run(
        QStringLiteral("INSERT INTO quick_replies (user_id, script_id) SELECT ?, id FROM scripts"
                       " WHERE classify_id = ? ORDER BY id LIMIT 3"),
        {*agent, greet});
    if (!lib.commit()) {
        *error = lib.error();
        return false;
    }
    return true;
}

bool seed_large_library(storage& store, file_store& files, int categories, int scripts,
                        int stickers, QString* error) {
    transaction tx(store, true);
    seeder s(tx, files, QString());
    QList<qint64> cats;
    for (int i = 0; i < categories; ++i) {
        // A tree: every tenth category is a top-level one, the rest hang below.
        const qint64 parent = i % 10 == 0 || cats.isEmpty() ? -1 : cats[(i / 10) * 10];
        cats << s.category(QStringLiteral("批量分类%1").arg(i + 1), business::scripts, part::pub, 0,
                           0, parent);
    }
    for (int i = 0; i < scripts; ++i)
        s.script(cats[i % cats.size()],
                 keyword_colours[i % keyword_colours.size()] +
                     QStringLiteral("批量话术%1").arg(i + 1),
                 rich_text({QStringLiteral("这是第%1条批量生成的话术，用于性能测试。").arg(i + 1),
                            QStringLiteral("今天是${日期}，感谢您的咨询。")}),
                 QStringLiteral("admin"));
    const qint64 sticker_cat =
        s.category(QStringLiteral("批量表情"), business::stickers, part::pub, 0, 0);
    for (int i = 0; i < stickers; ++i) {
        const qint64 file = s.file(sticker_png(i), QStringLiteral("批量表情%1.png").arg(i + 1));
        s.sticker(sticker_cat, file, QStringLiteral("批量表情%1").arg(i + 1));
    }
    if (!tx.commit()) {
        *error = tx.error();
        return false;
    }
    return true;
}

} // namespace quorvel::server
