#include "platform/qt/FileDialogFilters.h"

#include "platform/qt/QtText.h"

namespace platform::qt {

QString CaseInsensitivePattern(const std::string& pattern) {
  QString out;
  for (const QChar c : ToQString(pattern)) {
    if (c.isLetter() && c.toLower() != c.toUpper()) {
      out += QLatin1Char('[') + c.toLower() + c.toUpper() + QLatin1Char(']');
    } else {
      out += c;
    }
  }
  return out;
}

QString DialogNameFilter(const FileFilter& filter) {
  QStringList patterns;
  for (const std::string& p : filter.patterns) patterns << CaseInsensitivePattern(p);
  if (patterns.isEmpty()) patterns << QStringLiteral("*");
  return ToQString(filter.description) + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) +
         QLatin1Char(')');
}

QStringList DialogNameFilters(const std::vector<FileFilter>& filters) {
  QStringList out;
  for (const FileFilter& f : filters) out << DialogNameFilter(f);
  return out;
}

QString DialogSuffix(const std::string& extension) {
  QString suffix = ToQString(extension);
  while (suffix.startsWith(QLatin1Char('.'))) suffix.remove(0, 1);
  return suffix;
}

}  // namespace platform::qt
