#include "Platform.h"

#include <QDesktopServices>
#include <QStringEncoder>
#include <QUrl>

#include <iconv.h>
#include <langinfo.h>
#include <locale.h>
#include <memory>

namespace platform {

std::optional<quint32> fileVersionMajorMinor()
{
    // Executables carry no version resource here; the build gives the number.
    return (quint32(VARTOLIN_VERSION_MAJOR) << 16) | (quint32(VARTOLIN_VERSION_MINOR) & 0xFFFFu);
}

void openAddress(QWidget *, const QString &address)
{
    // Completes a bare address the way a browser's address bar does ("www.x.org" -> http://...).
    QDesktopServices::openUrl(QUrl::fromUserInput(address));
}

namespace {

// The code set the user's environment asks for, read without changing the program's own locale.
QByteArray userCodeSet()
{
    if (locale_t user = newlocale(LC_CTYPE_MASK, "", locale_t(nullptr))) {
        const QByteArray name(nl_langinfo_l(CODESET, user));
        freelocale(user);
        return name;
    }
    return QByteArray(nl_langinfo(CODESET));
}

struct IconvHandle {
    iconv_t cd;
    ~IconvHandle() { iconv_close(cd); }
};

} // namespace

CharacterEncoder userCodePageEncoder()
{
    const QByteArray codeSet = userCodeSet();
    struct QtCodec {
        QStringEncoder encoder;
        QStringDecoder decoder;
    };
    auto qt = std::make_shared<QtCodec>(QtCodec{QStringEncoder(codeSet.constData(), QStringConverter::Flag::Stateless),
                                                QStringDecoder(codeSet.constData(), QStringConverter::Flag::Stateless)});
    if (qt->encoder.isValid() && qt->decoder.isValid()) {
        // The encoders do not report a missing character alike (Latin-1 quietly writes '?', others
        // a substitute byte), so a character counts as encoded only when it decodes back unchanged.
        return [qt](QStringView character) -> std::optional<QByteArray> {
            qt->encoder.resetState();
            qt->decoder.resetState();
            QByteArray bytes = qt->encoder.encode(character);
            const QString back = qt->decoder.decode(bytes);
            if (bytes.isEmpty() || back != character)
                return std::nullopt;
            return bytes;
        };
    }

    const iconv_t cd = iconv_open(codeSet.constData(), "UTF-8");
    if (cd == iconv_t(-1)) { // a code set nobody knows: keep to ASCII, which every 8-bit code page holds
        return [](QStringView character) -> std::optional<QByteArray> {
            if (character.size() == 1 && character.front().unicode() < 0x80)
                return QByteArray(1, char(character.front().unicode()));
            return std::nullopt;
        };
    }
    auto handle = std::make_shared<IconvHandle>(IconvHandle{cd});
    return [handle](QStringView character) -> std::optional<QByteArray> {
        QByteArray in = character.toUtf8();
        char out[16];
        char *inPtr = in.data();
        size_t inLeft = size_t(in.size());
        char *outPtr = out;
        size_t outLeft = sizeof out;
        iconv(handle->cd, nullptr, nullptr, nullptr, nullptr);
        const size_t irreversible = iconv(handle->cd, &inPtr, &inLeft, &outPtr, &outLeft);
        // A counted irreversible conversion is iconv's own stand-in, not the character.
        if (irreversible != 0 || inLeft != 0)
            return std::nullopt;
        iconv(handle->cd, nullptr, nullptr, &outPtr, &outLeft); // back to the initial shift state
        return QByteArray(out, int(sizeof out - outLeft));
    };
}

} // namespace platform
