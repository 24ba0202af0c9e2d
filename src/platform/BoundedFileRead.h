#pragma once
// Reading a whole input file without trusting its name: only a regular file
// is read, and only up to a size bound. A device (/dev/zero), a FIFO or a
// directory named where a data file is expected would otherwise be read
// without end, block for ever or fail deep inside a stream.

#include <cstddef>
#include <string>

enum class FileReadResult {
  Read,         // text holds the whole file
  CannotOpen,   // missing, or no permission
  NotRegular,   // a directory, device, FIFO or socket
  TooLarge,     // larger than the bound
  ReadFailed,   // an error while reading
};

// Reads the regular file at path into text (bytes as they are) when it
// holds at most maxBytes. Opening never blocks, also on a FIFO.
FileReadResult ReadBoundedRegularFile(const std::string& path, std::size_t maxBytes,
                                      std::string& text);

// A few words for the user on why the file was not read ("it is not a
// regular file", "it is larger than 8 MB"); empty for Read.
std::string FileReadProblem(FileReadResult result, std::size_t maxBytes);
