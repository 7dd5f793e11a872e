#pragma once

// printf-style format strings taken from language packs. A pack is outside
// data: its formats are never handed to a C formatter as they stand. They
// are scanned first, and only these conversions pass: %d and %i (an integer),
// %f %F %e %E %g %G (a double), %s (a text), each with optional flags
// "-+ #0", a width and a precision written as digits, and %% for a percent
// sign. Anything else (%n, %x, %*d, %1$s, a length modifier, a lone % at the
// end) makes the whole format unusable.

#include <QString>
#include <QStringView>
#include <initializer_list>
#include <optional>
#include <span>
#include <string>
#include <variant>

namespace kavitro {

using FormatArgument = std::variant<long long, double, QString>;

// The conversions of a format, one letter each in order ('d', 'f' or 's'),
// or nothing when the format holds one we do not accept.
std::optional<std::string> FormatConversions(QStringView format);

// The letters of the arguments, in order.
std::string ArgumentConversions(std::span<const FormatArgument> arguments);

// The format with its conversions replaced by the arguments, or nothing when
// the conversions do not match the arguments' kinds and number.
std::optional<QString> FormatText(QStringView format, std::span<const FormatArgument> arguments);
inline std::optional<QString> FormatText(QStringView format, std::initializer_list<FormatArgument> arguments) {
    return FormatText(format, std::span<const FormatArgument>(arguments.begin(), arguments.size()));
}

}  // namespace kavitro
