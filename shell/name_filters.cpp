#include "name_filters.h"

namespace {

QString qtNameFilter(const QString& description, QString patterns)
{
    patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
    const QString tail = QLatin1String(" (") + patterns + QLatin1Char(')');
    // QFileDialog takes the patterns from the parentheses at the end, so a
    // description that already shows them is used as it is.
    if (description.endsWith(tail.mid(1)))
        return description;
    return description + tail;
}

}  // namespace

QStringList qtNameFilters(const std::string& storedFilter)
{
    const QStringList parts = QString::fromLocal8Bit(storedFilter.data(),
                                                     static_cast<qsizetype>(storedFilter.size()))
                                  .split(QLatin1Char('|'));
    QStringList filters;
    // The final '|' only closes the list; a description without patterns
    // ends it.
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        if (parts[i].isEmpty() || parts[i + 1].isEmpty())
            break;
        filters << qtNameFilter(parts[i], parts[i + 1]);
    }
    return filters;
}
