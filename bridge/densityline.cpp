#include "densityline.h"

#include <QStringList>

#include <charconv>

QString formatDensityLine(const Densities &densities)
{
    QStringList values;
    for (const float density : densities) {
        // to_chars ignores the C locale, which the toolkit sets from the user's environment;
        // 400 characters hold any float in fixed notation.
        char text[400];
        const auto result = std::to_chars(text, text + sizeof text, static_cast<double>(density),
                                          std::chars_format::fixed, 6);
        values << QString::fromLatin1(text, result.ptr - text);
    }
    return values.join(QLatin1Char('|'));
}
