#pragma once
// Large pages for large working arrays. Mapping fresh memory page by page
// costs a fault per 4 KB page on its first touch; arrays of a hundred
// megabytes that a run fills once spend more time in those faults than in
// the run's own work. Where the system offers it, the 2 MB pages inside such
// a block are requested before the block is first touched.

#include <cstddef>

namespace platform {

// Asks for large pages behind [data, data + bytes); does nothing where the
// system has none or the block holds no whole large page. The block must be
// untouched for the request to help; its contents are not changed.
void AdviseLargePages(void* data, std::size_t bytes);

}  // namespace platform
