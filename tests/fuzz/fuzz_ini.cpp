// The INI reader and writer on any file content: reading never fails, and writing the taxpayer
// number changes that one key only, whatever the file held and whatever the number contains.
// Catches crashes on odd encodings and line ends, and a value that adds lines (keys or sections)
// to the file.
//
// Input: one byte n, n bytes of the value to write (taken as 7-bit characters), the file's bytes.
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include "FuzzSupport.h"
#include "config/IniFile.h"
#include "config/IniText.h"

namespace {

using corvane::config::ReadIniString;
using corvane::config::WriteIniString;

const QString kSection = QStringLiteral("parms");
const QString kKey = QStringLiteral("nsrsbh");

QString FilePath() {
    // In memory where the machine has it: every write ends in an fsync.
    static QTemporaryDir dir(QDir(QStringLiteral("/dev/shm")).exists()
                                 ? QStringLiteral("/dev/shm/corvane-fuzz-ini-XXXXXX")
                                 : QDir::tempPath() + QStringLiteral("/corvane-fuzz-ini-XXXXXX"));
    return dir.path() + QStringLiteral("/qvprm.ini");
}

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Lines of the file that hold anything, as the reader splits them.
int FilledLines(const QByteArray& bytes) {
    const QString text = corvane::config::ini::DecodeText(bytes);
    int count = 0;
    for (const QString& line : text.split(QRegularExpression(QStringLiteral("[\r\n]"))))
        if (!line.trimmed().isEmpty()) ++count;
    return count;
}

// What reading the key back gives for a written value: the value up to its first line break,
// blanks around it dropped, one pair of matching quotes removed, at most 2047 characters.
QString ExpectedReadBack(const QString& value) {
    const qsizetype lineBreak = value.indexOf(QRegularExpression(QStringLiteral("[\r\n]")));
    QString v = lineBreak < 0 ? value : value.left(lineBreak);
    qsizetype b = 0, e = v.size();
    while (b < e && (v[b] == u' ' || v[b] == u'\t')) ++b;
    while (e > b && (v[e - 1] == u' ' || v[e - 1] == u'\t')) --e;
    v = v.mid(b, e - b);
    if (v.size() >= 2 && (v.front() == u'"' || v.front() == u'\'') && v.back() == v.front())
        v = v.mid(1, v.size() - 2);
    return v.left(2047);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    corvane::fuzz::InputReader input(data, size);
    QByteArray valueBytes = input.Bytes(input.Byte());
    const QByteArray fileBytes = input.Rest();
    for (char& c : valueBytes) c = char(c & 0x7F);
    const QString value = QString::fromLatin1(valueBytes);

    const QString path = FilePath();
    {
        QFile file(path);
        FUZZ_CHECK(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        FUZZ_CHECK(file.write(fileBytes) == fileBytes.size());
    }
    // Reading any key of the file never fails.
    ReadIniString(path, kSection, kKey, QString());
    ReadIniString(path, QStringLiteral("config"), QStringLiteral("TaxUrl"), QString());

    const int linesBefore = FilledLines(fileBytes);
    FUZZ_CHECK(WriteIniString(path, kSection, kKey, value));
    const QByteArray after = ReadAll(path);
    // At most a new section line and the key line.
    FUZZ_CHECK(FilledLines(after) <= linesBefore + 2);
    FUZZ_CHECK(ReadIniString(path, kSection, kKey, QStringLiteral("<missing>")) ==
               ExpectedReadBack(value));
    return 0;
}
