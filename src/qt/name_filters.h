#pragma once
// The open-file dialog's Windows filter "description|pattern[;pattern…][|description|…]",
// read once for the two choosers that show it: Qt's own dialog and the desktop's.

#include <QString>
#include <QStringList>

#include <string>
#include <vector>

namespace zt4::qt {

struct NameFilter {
    QString description;
    QStringList patterns; // each in every letter case: both choosers match names as spelt
};

std::vector<NameFilter> ReadNameFilters(const std::string& filter);

// The filters as Qt's dialog takes them: "description (pattern pattern…);;…".
QString qtNameFilters(const std::vector<NameFilter>& filters);

} // namespace zt4::qt
