#pragma once
// Texts that a plot keeps: titles, labels and legends have a fixed room, so
// a longer text is cut there instead of running past it.

#include <cstddef>
#include <string>
#include <string_view>

// The text cut to at most limit bytes; a cut never splits a UTF-8 sequence.
std::string BoundedPlotText(std::string_view text, std::size_t limit);
