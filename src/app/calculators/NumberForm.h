#pragma once
// The calculators' input dialog: one form with a labelled number field per
// input, filled with the defaults. OK is refused (the field named, the
// entries kept) until every field holds a number; Cancel ends the command.

#include <string>
#include <vector>

class TXLAWindow;

struct NumberField {
  std::string prompt;
  float value = 0;  // in: the default; out: the entry
};

// True on OK with every value entered; false on Cancel (values unchanged).
bool AskNumbers(TXLAWindow& window, const std::string& caption, std::vector<NumberField>& fields);
// One field.
bool AskNumber(TXLAWindow& window, const std::string& caption, const std::string& prompt,
               float& value);

// printf into a string.
std::string Printf(const char* format, ...) __attribute__((format(printf, 1, 2)));
