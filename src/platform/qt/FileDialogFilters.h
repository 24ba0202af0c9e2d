#pragma once
// The file dialog's filters from the program's FileFilter lists. Patterns are
// matched without regard to case, as the program's data files come with
// upper- and lower-case extensions alike: each letter of a pattern becomes a
// bracket of both cases ("*.ip*" -> "*.[iI][pP]*"), which Qt's wildcard
// matching understands whatever case rule the file model follows.

#include <QString>
#include <QStringList>
#include <string>
#include <vector>

#include "platform/Window.h"

namespace platform::qt {

QString CaseInsensitivePattern(const std::string& pattern);
// "description (pattern pattern ...)": the dialog shows the description
// (details hidden) and filters by the patterns.
QString DialogNameFilter(const FileFilter& filter);
QStringList DialogNameFilters(const std::vector<FileFilter>& filters);
// The default extension without its dot, as the dialog takes it.
QString DialogSuffix(const std::string& extension);

}  // namespace platform::qt
