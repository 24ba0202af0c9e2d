#pragma once
// Values of a batch parameter file: plain text in which each value stands
// between an opening and a closing tag named after its key, as in
// "<Model>cofs</Model>". There is no root element, no attribute and no
// nesting; everything outside the tags is ignored.

#include <cstddef>
#include <string>

// The whole content of a text file, with Windows line ends ("\r\n") read as
// single line feeds, so that files written on either system read alike.
// False, with text untouched, when the file cannot be opened or read, is no
// regular file (a folder, a device, a FIFO) or is larger than
// BatchParameterFileBound; problem, when given, then says why in a few words.
bool ReadWholeFile(const std::string& path, std::string& text, std::string* problem = nullptr);

// The largest parameter file read: a thousand scan paths fit many times.
inline constexpr std::size_t BatchParameterFileBound = std::size_t{4} << 20;

// The outputs a tag search fills; each one is filled only when given.
struct TagValueOutputs {
  std::string* text = nullptr;  // the value verbatim, white space kept
  float* real = nullptr;        // the leading decimal number
  int* integer = nullptr;       // the same number truncated toward zero
  bool* boolean = nullptr;      // "TRUE"/"true" anywhere, else "FALSE"/"false"
};

// Reads the value of key from fileText, or, without a text, from the file
// fileName. Tags are matched whole: "<Bottom>" never matches "<BottomFitted>".
// Returns true when the key's opening tag, its closing tag and every value
// asked for could be read; then every given output holds its value, otherwise
// none of them has changed. A value is refused when it asks for a boolean and
// holds none of the four words, when it asks for a number and does not start
// with one, or when its number does not fit the output (beyond a float's
// range, outside 32-bit integers, infinite or not a number).
// When the opening tag appears again after the closing tag, the call fails
// and *duplicateTag (when given) is set; it is never cleared here.
bool XmlTagValue(const std::string* fileText, const std::string& fileName, const std::string& key,
                 const TagValueOutputs& outputs, bool* duplicateTag = nullptr);
