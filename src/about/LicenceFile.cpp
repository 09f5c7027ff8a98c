#include "LicenceFile.h"

#include <QFile>

QString licenceText()
{
    QFile file(QStringLiteral(":/about/licence.txt"));
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error("the licence text is missing from the program");
    QString text = QString::fromUtf8(file.readAll());
    text.remove(QLatin1Char('\r')); // a checkout may have turned the line ends into CR LF
    if (text.endsWith(QLatin1Char('\n')))
        text.chop(1);
    return text;
}

QString asciiStandIn(char32_t character)
{
    switch (character) {
    case 0x201C: case 0x201D: case 0x201E: case 0x201F: case 0x00AB: case 0x00BB:
        return QStringLiteral("\"");
    case 0x2018: case 0x2019: case 0x201A: case 0x201B:
        return QStringLiteral("'");
    case 0x2010: case 0x2011: case 0x2012: case 0x2013: case 0x2014: case 0x2015: case 0x2212:
        return QStringLiteral("-");
    case 0x00A0:
        return QStringLiteral(" ");
    default:
        return QStringLiteral("?");
    }
}

namespace {

void appendEncoded(QByteArray &out, QStringView line, const platform::CharacterEncoder &encoder)
{
    for (qsizetype i = 0; i < line.size();) {
        const qsizetype length = line[i].isHighSurrogate() && i + 1 < line.size() && line[i + 1].isLowSurrogate() ? 2 : 1;
        const QStringView character = line.mid(i, length);
        i += length;
        if (const std::optional<QByteArray> bytes = encoder(character)) {
            out += *bytes;
            continue;
        }
        const QString standIn = asciiStandIn(character.toUcs4().value(0));
        out += encoder(standIn).value_or(QByteArrayLiteral("?"));
    }
}

} // namespace

QByteArray crlfLinesInCodePage(const QString &text, const platform::CharacterEncoder &encoder)
{
    QByteArray out;
    out.reserve(text.size() + text.count(QLatin1Char('\n')) + 2);
    for (const QStringView line : QStringView(text).split(QLatin1Char('\n'))) {
        appendEncoded(out, line, encoder);
        out += "\r\n";
    }
    return out;
}
