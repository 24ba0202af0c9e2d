#pragma once
// A window's picture on a printed page: the request's area drawn into an
// image at the page's resolution (at most three image pixels per logical
// unit) and put on the page isotropically, as large as the page allows, at
// its top left.

#include <string>

#include "platform/Platform.h"

class QPainter;
class QRect;

namespace platform::qt {

void PaintPage(const PrintRequest& request, QPainter& painter, const QRect& page);
// Writes the page into a one-page PDF file (A4); false when it cannot be
// written.
bool WritePagePdf(const PrintRequest& request, const std::string& path);

}  // namespace platform::qt
