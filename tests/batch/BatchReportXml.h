#pragma once

// The batch tests write parameter files as one element per line and read
// single elements back from the XML report.

#include <regex>
#include <string>

inline std::string Tag(const std::string& key, const std::string& value) {
  return "<" + key + ">" + value + "</" + key + ">\n";
}

// An element's text, with the quotes of the report's escaping read back;
// "(none)" when the report has no such element.
inline std::string Element(const std::string& xml, const std::string& key) {
  std::smatch m;
  if (!std::regex_search(xml, m, std::regex("<" + key + ">([^<]*)</" + key + ">")))
    return "(none)";
  return std::regex_replace(std::string(m[1]), std::regex("&quot;"), "\"");
}
