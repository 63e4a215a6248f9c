#include "browser/PageCommand.h"

#include <exception>

#include "browser/CommandJson.h"
#include "browser/UrlDecode.h"
#include "log/Diagnostic.h"
#include "text/TextUtil.h"

namespace corvane::browser {

namespace {

const QString kMarker = QStringLiteral("/interact_");

// The argument: everything after the first "?" of the decoded payload. False when it has none.
bool ArgumentText(const QString& decoded, QString* argument) {
    const qsizetype q = decoded.indexOf(QLatin1Char('?'));
    if (q < 0) return false;
    *argument = decoded.mid(q + 1);
    return true;
}

bool Is(const QString& type, const char* name) {
    return type.compare(QLatin1String(name), Qt::CaseInsensitive) == 0;
}

void RunCommand(const CommandObject& command, const QString& decoded, PageCommandActions& actions,
                QString& result) {
    const QString& type = command.type;
    QString argument;
    if (Is(type, "exit")) {
        actions.CloseByPage();
    } else if (Is(type, "login")) {
        if (command.hasData) actions.ReportLogin(command.nsrsbh);
    } else if (Is(type, "startmonitor")) {
        result = QStringLiteral("监控身份证");
    } else if (Is(type, "zmxy")) {
        result = ArgumentText(decoded, &argument) ? QStringLiteral("实名认证信息：") + argument
                                                  : QStringLiteral("开始实名认证");
    } else if (Is(type, "printjhd")) {
        result = QStringLiteral("打印叫号单");
    } else if (Is(type, "printwebview")) {
        result = QStringLiteral("打印网页");
        if (!actions.PrintPage()) result.clear();
    } else if (Is(type, "playmedia")) {
        if (ArgumentText(decoded, &argument)) result = UrlDecodeUtf8(argument);
    }
}

}  // namespace

QString HandlePageCommand(const QString& address, PageCommandActions& actions) {
    QString result;
    try {
        // Only A-Z are lowered, so positions in the lowered text are positions in the address.
        const qsizetype at = text::LowerAsciiLetters(address).indexOf(kMarker);
        if (at < 0) return result;
        const QString decoded = UrlDecodeAnsi(address.mid(at + kMarker.size()));
        const std::optional<CommandObject> command = ReadCommandObject(decoded);
        if (!command) return result;
        RunCommand(*command, decoded, actions, result);
    } catch (const UrlDecodeError& e) {
        ReportDiagnostic(QStringLiteral("error^") + e.message());
    } catch (const std::exception& e) {
        ReportDiagnostic(QStringLiteral("error^") + QString::fromUtf8(e.what()));
    }
    return result;
}

}  // namespace corvane::browser
