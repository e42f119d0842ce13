#include "qt/name_filters.h"

#include "qt/look.h"

namespace zt4::qt {

namespace {

// "*.mp3" → "*.mp3 *.mP3 *.Mp3 *.MP3".
QStringList letterCases(const QString& pattern) {
    QStringList variants{QString()};
    for (QChar ch : pattern) {
        const QChar lower = ch.toLower(), upper = ch.toUpper();
        QStringList next;
        for (const QString& v : variants) {
            next << v + lower;
            if (upper != lower)
                next << v + upper;
        }
        variants = next;
    }
    return variants;
}

} // namespace

std::vector<NameFilter> ReadNameFilters(const std::string& filter) {
    const QStringList parts = toQString(filter).split('|');
    std::vector<NameFilter> filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        NameFilter read{parts[i], {}};
        for (const QString& p : parts[i + 1].split(';', Qt::SkipEmptyParts))
            read.patterns << letterCases(p.trimmed());
        filters.push_back(read);
    }
    return filters;
}

QString qtNameFilters(const std::vector<NameFilter>& filters) {
    QStringList shown;
    for (const NameFilter& f : filters)
        shown << f.description + " (" + f.patterns.join(' ') + ")";
    return shown.join(";;");
}

} // namespace zt4::qt
