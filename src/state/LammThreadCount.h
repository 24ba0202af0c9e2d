#pragma once
#include <atomic>

// Number of worker threads that solve a list of Lamm equations; set from the
// preferences, the multiple-threads command and batch files. The list
// runners read it at each call and solve with at least one worker.
extern std::atomic<int> LammThreadCount;
