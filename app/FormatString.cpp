#include "app/FormatString.h"

#include <vector>

namespace kavitro {

namespace {

// Widths and precisions beyond three digits would only let a pack ask for
// huge padding.
constexpr int kMaxDigits = 3;

struct Conversion {
    qsizetype begin = 0;  // index of '%'
    qsizetype end = 0;    // one past the conversion letter
    char kind = 0;        // 'd', 'f', 's', or '%' for a literal percent sign
    std::string flags;
    int width = -1;
    int precision = -1;
    char letter = 0;
};

bool ReadNumber(QStringView format, qsizetype& i, int& value) {
    int digits = 0;
    value = 0;
    while (i < format.size() && format[i] >= u'0' && format[i] <= u'9') {
        if (++digits > kMaxDigits)
            return false;
        value = value * 10 + (format[i].unicode() - u'0');
        ++i;
    }
    return digits > 0;
}

// Scans the conversion starting at format[i] == '%'.
std::optional<Conversion> ScanConversion(QStringView format, qsizetype i) {
    Conversion c;
    c.begin = i++;
    while (i < format.size() && QStringView(u"-+ #0").contains(format[i])) {
        if (c.flags.size() >= 5)
            return std::nullopt;
        c.flags += static_cast<char>(format[i].unicode());
        ++i;
    }
    if (i < format.size() && format[i] >= u'1' && format[i] <= u'9' && !ReadNumber(format, i, c.width))
        return std::nullopt;
    if (i < format.size() && format[i] == u'.') {
        ++i;
        if (!ReadNumber(format, i, c.precision))
            return std::nullopt;
    }
    if (i >= format.size())
        return std::nullopt;
    const char16_t letter = format[i].unicode();
    switch (letter) {
        case u'%':
            if (c.begin + 1 != i)  // "%5%" and the like
                return std::nullopt;
            c.kind = '%';
            break;
        case u'd':
        case u'i':
            if (c.flags.find('#') != std::string::npos)  // undefined for integers
                return std::nullopt;
            c.kind = 'd';
            break;
        case u'f':
        case u'F':
        case u'e':
        case u'E':
        case u'g':
        case u'G': c.kind = 'f'; break;
        case u's': c.kind = 's'; break;
        default: return std::nullopt;
    }
    c.letter = static_cast<char>(letter);
    c.end = i + 1;
    return c;
}

std::optional<std::vector<Conversion>> Scan(QStringView format) {
    std::vector<Conversion> conversions;
    for (qsizetype i = 0; i < format.size();) {
        if (format[i] != u'%') {
            ++i;
            continue;
        }
        std::optional<Conversion> c = ScanConversion(format, i);
        if (!c)
            return std::nullopt;
        i = c->end;
        conversions.push_back(std::move(*c));
    }
    return conversions;
}

std::string ConversionText(const Conversion& c, const char* length) {
    std::string text = "%" + c.flags;
    if (c.width >= 0)
        text += std::to_string(c.width);
    if (c.precision >= 0) {
        text += '.';
        text += std::to_string(c.precision);
    }
    text += length;
    text += c.letter == 'i' ? 'd' : c.letter;
    return text;
}

QString FormatTextArgument(const Conversion& c, const QString& text) {
    QString value = c.precision >= 0 ? text.left(c.precision) : text;
    if (c.width > value.size()) {
        const QString pad(c.width - value.size(), u' ');
        value = c.flags.find('-') != std::string::npos ? value + pad : pad + value;
    }
    return value;
}

}  // namespace

std::optional<std::string> FormatConversions(QStringView format) {
    const std::optional<std::vector<Conversion>> conversions = Scan(format);
    if (!conversions)
        return std::nullopt;
    std::string letters;
    for (const Conversion& c : *conversions) {
        if (c.kind != '%')
            letters += c.kind;
    }
    return letters;
}

std::string ArgumentConversions(std::span<const FormatArgument> arguments) {
    std::string letters;
    for (const FormatArgument& a : arguments)
        letters += a.index() == 0 ? 'd' : a.index() == 1 ? 'f' : 's';
    return letters;
}

std::optional<QString> FormatText(QStringView format, std::span<const FormatArgument> arguments) {
    const std::optional<std::vector<Conversion>> conversions = Scan(format);
    if (!conversions)
        return std::nullopt;
    std::string expected;
    for (const Conversion& c : *conversions) {
        if (c.kind != '%')
            expected += c.kind;
    }
    if (expected != ArgumentConversions(arguments))
        return std::nullopt;

    QString out;
    qsizetype last = 0;
    std::size_t next = 0;
    for (const Conversion& c : *conversions) {
        out += format.mid(last, c.begin - last);
        last = c.end;
        if (c.kind == '%') {
            out += u'%';
            continue;
        }
        const FormatArgument& a = arguments[next++];
        // The conversion is rebuilt from checked pieces, so the C formatter only
        // ever sees one conversion of the argument's own type.
        if (const long long* n = std::get_if<long long>(&a))
            out += QString::asprintf(ConversionText(c, "ll").c_str(), *n);
        else if (const double* d = std::get_if<double>(&a))
            out += QString::asprintf(ConversionText(c, "").c_str(), *d);
        else
            out += FormatTextArgument(c, std::get<QString>(a));
    }
    out += format.mid(last);
    return out;
}

}  // namespace kavitro
