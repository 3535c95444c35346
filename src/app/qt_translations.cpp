#include "app/qt_translations.h"

#include <QLibraryInfo>
#include <QTranslator>

namespace quorvel {

bool install_qt_translations(QCoreApplication* app) {
    const QStringList folders = {QLibraryInfo::location(QLibraryInfo::TranslationsPath),
                                 QCoreApplication::applicationDirPath() +
                                     QStringLiteral("/translations")};
    for (const QString& folder : folders) {
        auto* translator = new QTranslator(app);
        if (translator->load(QStringLiteral("qtbase_zh_CN"), folder)) {
            app->installTranslator(translator);
            return true;
        }
        delete translator;
    }
    return false;
}

} // namespace quorvel
