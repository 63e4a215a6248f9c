#include "shell/UiLanguage.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include "corvane_build_config.h"
#include "log/Diagnostic.h"

namespace corvane {

namespace {

// Qt's catalogues for what the program shows of Qt: widgets and dialogs (qtbase), and the
// engine's own dialogs and the texts of its Qt side (qtwebengine).
constexpr const char* kCatalogues[] = {"qtbase", "qtwebengine"};

}  // namespace

QString UiLanguage() { return QStringLiteral(CORVANE_UI_LANGUAGE); }

// Not QLocale::bcp47Name(): it drops a territory that is the language's default ("zh"), and pages
// are to see "zh-CN".
QString EngineLocale() {
    return QLocale(UiLanguage()).name().replace(QLatin1Char('_'), QLatin1Char('-'));
}

void InstallUiLanguage() {
    const QLocale language(UiLanguage());
    QLocale::setDefault(language);
    QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
    if (language.language() == QLocale::English) return;  // Qt's own texts are English
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    for (const char* catalogue : kCatalogues) {
        // Owned by the application object: installed translators must live as long as it does.
        auto* translator = new QTranslator(QCoreApplication::instance());
        if (translator->load(language, QLatin1String(catalogue), QStringLiteral("_"), folder)) {
            QCoreApplication::installTranslator(translator);
        } else {
            delete translator;
            ReportDiagnostic(QStringLiteral("error^No %1 translation for %2 in %3")
                                 .arg(QLatin1String(catalogue), language.name(), folder));
        }
    }
}

}  // namespace corvane
