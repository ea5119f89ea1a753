// 8-bit files: decode as UTF-8, falling back to Latin-1 for older files that are not valid UTF-8.
#pragma once

#include <QByteArray>
#include <QString>

namespace wl {

QString DecodeText(const QByteArray& bytes);

} // namespace wl
