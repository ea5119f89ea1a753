// Decoding of 8-bit files: UTF-8 when the bytes are valid UTF-8, Latin-1 otherwise.
#include "support/TextCodec.h"

#include <QStringDecoder>

namespace wl {

QString DecodeText(const QByteArray& bytes) {
    // The default decoder drops a leading byte order mark.
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8.decode(bytes);
    if (!utf8.hasError())
        return text;
    return QString::fromLatin1(bytes);
}

} // namespace wl
