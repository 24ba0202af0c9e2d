#pragma once
// What every fuzz target shares: the registry of targets (each target file
// registers one reader under its name), a scratch file that holds the input,
// and a quiet headless backend for the boxes a reader may show.
//
// The same target files build two ways: with libFuzzer (clang, `make fuzz`),
// one executable per target; and in the ordinary test build, all targets in
// one replay executable that runs each over its seed files, so that CI runs
// every reader on every seed and on every input that once crashed one.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

using FuzzFunction = void (*)(const std::uint8_t* data, std::size_t size);

struct FuzzTarget {
  std::string name;
  FuzzFunction run;
};

// Registers a target at start-up; one object per target file.
struct FuzzTargetRegistration {
  FuzzTargetRegistration(const char* name, FuzzFunction run);
};

const std::vector<FuzzTarget>& FuzzTargets();

// Writes the input into a scratch file of this process with the given file
// name (readers look at extensions) and returns its path.
std::string FuzzInputFile(const std::uint8_t* data, std::size_t size, const std::string& fileName);
// The scratch folder of this process (ends with '/').
const std::string& FuzzScratchFolder();

// Installs a fresh, silent headless backend, so that the log of boxes does
// not grow over millions of inputs.
void FreshHeadlessBackend();
