#include "engine_settings.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLoggingCategory>
#include <QRegularExpression>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <cstdio>

namespace corvane::engine {
namespace {

// Chromium's own fatal-only level: errors and warnings of the engine stay off the console.
constexpr char kQuietChromium[] = "--log-level=3";
// Qt WebEngine's categories and the pages' console messages ("js").
constexpr char kQuietQtRules[] = "qt.webengine*=false;js=false";

QLoggingCategory::CategoryFilter g_previous_filter = nullptr;

// Chains in front of whatever filter the executable installed.
void QuietWebEngineCategories(QLoggingCategory* category) {
    if (g_previous_filter) g_previous_filter(category);
    const QByteArray name(category->categoryName());
    if (name.startsWith("qt.webengine") || name == "js") {
        for (QtMsgType type : {QtDebugMsg, QtInfoMsg, QtWarningMsg, QtCriticalMsg})
            category->setEnabled(type, false);
    }
}

QString AbsoluteIn(const QString& folder, const QString& path) {
    return QDir::cleanPath(QDir(folder).absoluteFilePath(path));
}

// Sets an environment variable for its own lifetime and puts the old value back afterwards.
class ScopedEnvironment {
  public:
    ScopedEnvironment(const char* name, const QByteArray& value)
        : name_(name), had_(qEnvironmentVariableIsSet(name)), old_(qgetenv(name)) {
        qputenv(name_, value);
    }
    ~ScopedEnvironment() {
        if (had_)
            qputenv(name_, old_);
        else
            qunsetenv(name_);
    }
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

  private:
    const char* name_;
    bool had_;
    QByteArray old_;
};

}  // namespace

QString AcceptLanguageFor(const QString& locale) {
    // "zh-CN" alone would leave servers that only know "zh" without a match.
    const qsizetype dash = locale.indexOf(QLatin1Char('-'));
    if (dash <= 0) return locale;
    return locale + QLatin1Char(',') + locale.left(dash) + QStringLiteral(";q=0.9");
}

LaunchPlan PlanLaunch(const CefSettings& settings, bool running_as_root,
                      const QString& helper_path) {
    LaunchPlan plan;
    const QString helper =
        settings.browser_subprocess_path.isEmpty() ? helper_path : settings.browser_subprocess_path;
    plan.environment.append({"QTWEBENGINEPROCESS_PATH", QFile::encodeName(helper)});

    if (settings.single_process) plan.chromium_flags << QStringLiteral("--single-process");
    if (running_as_root)
        plan.sandbox_off_reason = QStringLiteral("running as root");
    else if (settings.no_sandbox)
        plan.sandbox_off_reason = QStringLiteral("no_sandbox is set");
    if (!plan.sandbox_off_reason.isEmpty()) plan.chromium_flags << QStringLiteral("--no-sandbox");

    plan.logging_off = settings.log_severity == LOGSEVERITY_DISABLE;
    if (plan.logging_off) {
        plan.chromium_flags << QString::fromLatin1(kQuietChromium);
        plan.environment.append({QByteArray("QT_LOGGING_RULES"), QByteArray(kQuietQtRules)});
    } else if (!settings.log_file.isEmpty()) {
        plan.chromium_flags << QStringLiteral("--enable-logging")
                            << QStringLiteral("--log-file=") + settings.log_file;
    }
    if (!settings.javascript_flags.isEmpty())
        plan.chromium_flags << QStringLiteral("--js-flags=") + settings.javascript_flags;
    if (!settings.locale.isEmpty())
        plan.chromium_flags << QStringLiteral("--lang=") + settings.locale;

    if (!settings.resources_dir_path.isEmpty())
        plan.environment.append(
            {"QTWEBENGINE_RESOURCES_PATH", QFile::encodeName(settings.resources_dir_path)});
    if (!settings.locales_dir_path.isEmpty())
        plan.environment.append(
            {"QTWEBENGINE_LOCALES_PATH", QFile::encodeName(settings.locales_dir_path)});
    if (settings.remote_debugging_port > 0)
        plan.environment.append(
            {"QTWEBENGINE_REMOTE_DEBUGGING",
             "127.0.0.1:" + QByteArray::number(settings.remote_debugging_port)});
    return plan;
}

void ApplyLaunchPlan(const LaunchPlan& plan) {
    for (const auto& [name, value] : plan.environment) {
        QByteArray merged = value;
        // Rules given by whoever started us stay, ours are added after them.
        if (name == "QT_LOGGING_RULES" && qEnvironmentVariableIsSet(name.constData()))
            merged = qgetenv(name.constData()) + ';' + value;
        qputenv(name.constData(), merged);
    }
    if (!plan.chromium_flags.isEmpty()) {
        QByteArray flags = qgetenv("QTWEBENGINE_CHROMIUM_FLAGS");
        for (const QString& flag : plan.chromium_flags) {
            if (!flags.isEmpty()) flags += ' ';
            flags += flag.toLocal8Bit();
        }
        qputenv("QTWEBENGINE_CHROMIUM_FLAGS", flags);
    }
    // Qt's shader cache would go to ~/.cache; the engine keeps nothing under $HOME.
    QCoreApplication::setAttribute(Qt::AA_DisableShaderDiskCache);
    if (plan.logging_off && !g_previous_filter)
        g_previous_filter = QLoggingCategory::installFilter(QuietWebEngineCategories);
    if (!plan.sandbox_off_reason.isEmpty()) {
        // Said once, on the console: the engine runs without Chromium's sandbox.
        std::fprintf(stderr, "Corvane engine: Chromium sandbox off (%s)\n",
                     qUtf8Printable(plan.sandbox_off_reason));
    }
}

std::unique_ptr<QWebEngineProfile> CreateProfile(const CefSettings& settings,
                                                 const QString& program_folder, int session) {
    std::unique_ptr<QWebEngineProfile> profile;
    if (settings.cache_path.isEmpty()) {
        profile = std::make_unique<QWebEngineProfile>();  // off the record: nothing on disk
    } else {
        QString folder = AbsoluteIn(program_folder, settings.cache_path);
        if (session > 0)
            folder +=
                QLatin1Char('/') + QLatin1String(kSessionFolderPrefix) + QString::number(session);
        QDir().mkpath(folder);
        {
            // Qt 6.4 opens a named profile's preference file in the default data folder
            // (~/.local/share/...) as it constructs the profile, before a storage path can be
            // given; the defaults point into our folder for that moment.
            const QByteArray inside = QFile::encodeName(folder);
            ScopedEnvironment data("XDG_DATA_HOME", inside);
            ScopedEnvironment cache("XDG_CACHE_HOME", inside);
            // Two live profiles may not share a name.
            const QString name =
                session > 0 ? QStringLiteral("Corvane-%1").arg(session) : QStringLiteral("Corvane");
            profile = std::make_unique<QWebEngineProfile>(name);
        }
        profile->setPersistentStoragePath(folder);
        profile->setCachePath(folder);
        // Cookies a server marks as persistent are kept; session cookies end with the process.
        profile->setPersistentCookiesPolicy(settings.persist_session_cookies
                                                ? QWebEngineProfile::ForcePersistentCookies
                                                : QWebEngineProfile::AllowPersistentCookies);
    }
    QString agent = settings.user_agent;
    if (agent.isEmpty() && !settings.product_version.isEmpty()) {
        // The product token of the default agent ("Chrome/x.y.z.w") gives way to ours.
        agent = profile->httpUserAgent();
        agent.replace(QRegularExpression(QStringLiteral("Chrome/\\S+")), settings.product_version);
    }
    if (!agent.isEmpty()) profile->setHttpUserAgent(agent);
    if (!settings.locale.isEmpty())
        profile->setHttpAcceptLanguage(AcceptLanguageFor(settings.locale));
    // A PDF the server means to be shown opens in Chromium's viewer, which Qt WebEngine counts as
    // a plugin; without it the document is offered as a download.
    profile->settings()->setAttribute(QWebEngineSettings::PluginsEnabled, true);
    profile->settings()->setAttribute(QWebEngineSettings::PdfViewerEnabled, true);
    return profile;
}

}  // namespace corvane::engine
