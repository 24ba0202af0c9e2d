#pragma once
// Work that several threads share by taking its pieces from a counter of
// their own: the calling thread and threads − 1 helpers run `work` until it
// returns; the call returns when all have. A helper the system refuses
// leaves its share to the others.

#include <functional>

void RunOnThreads(int threads, const std::function<void()>& work);
