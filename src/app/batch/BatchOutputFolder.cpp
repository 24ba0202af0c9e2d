#include "app/batch/BatchOutputFolder.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>

#include "app/batch/BatchRun.h"
#include "app/batch/BatchStatus.h"

namespace {

namespace fs = std::filesystem;

constexpr const char* kLockFileName = ".taluvo-batch.lock";
constexpr const char* kPartialPrefix = ".taluvo-partial-";

// The lock of the claimed folder: an open descriptor holding flock(), which
// the kernel releases when the process ends, killed or not, so no stale
// lock can outlive its run.
struct FolderLock {
  int fd = -1;
  bool inUse = false;
};
FolderLock Lock;

std::string SameFileKey(const fs::path& path) {
  std::error_code ec;
  const fs::path p = fs::weakly_canonical(fs::absolute(path, ec), ec);
  return ec ? path.lexically_normal().string() : p.string();
}

void RemoveIfFile(const fs::path& path) {
  std::error_code ec;
  if (fs::is_regular_file(fs::symlink_status(path, ec)) || fs::is_symlink(path, ec))
    fs::remove(path, ec);
}

// The results, the report, the flag file and the partial files that an
// earlier run left: none of them describes the run that starts now.
void RemoveEarlierResults(const CIniCustomPars& pars) {
  const fs::path folder = pars.OutputResultsDirectory;
  for (const std::string& name : BatchResultFileNames()) RemoveIfFile(folder / name);
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(folder, ec))
    if (entry.path().filename().string().starts_with(kPartialPrefix)) RemoveIfFile(entry.path());
  if (pars.Valid && !pars.AllDoneFlagFile.empty() && FlagFilePathProblem(pars).empty()) {
    RemoveIfFile(pars.AllDoneFlagFile);
    RemoveIfFile(PartialFilePath(pars.AllDoneFlagFile));
  }
}

// The process that holds the lock, as it wrote itself into the lock file.
std::string LockHolder(int fd) {
  char text[32] = {};
  const ssize_t n = ::pread(fd, text, sizeof text - 1, 0);
  if (n <= 0) return {};
  return " (process " + std::string(text, static_cast<std::size_t>(n)) + ")";
}

OutputClaim TakeLock(const fs::path& folder) {
  const std::string path = (folder / kLockFileName).string();
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) {
    NoteBatchFailure(BatchExitCode::ResultsNotWritten,
                     "the output folder " + folder.string() + " cannot be written");
    return OutputClaim::Refused;
  }
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    Lock.inUse = true;
    NoteBatchFailure(BatchExitCode::ResultsNotWritten,
                     "the output folder " + folder.string() +
                         " is in use by another batch run" + LockHolder(fd) +
                         "; give each run its own OutputResultsDirectory");
    ::close(fd);
    return OutputClaim::InUse;
  }
  const std::string pid = std::to_string(::getpid());
  if (::ftruncate(fd, 0) == 0 && ::pwrite(fd, pid.data(), pid.size(), 0) < 0) {
    // The number only names the holder in a refusal; the lock holds without it.
  }
  Lock.fd = fd;
  return OutputClaim::Claimed;
}

}  // namespace

const std::vector<std::string>& BatchResultFileNames() {
  static const std::vector<std::string> names = {
      "screenshot.bmp", "distribution.dat", "TInoise.dat",     "RInoise.dat",
      "ScanRMSD.dat",   "dfr.dat",          "simulate.dat",    "mlfitreport.txt",
      BatchReportFileName};
  return names;
}

OutputClaim ClaimBatchOutputFolder(const CIniCustomPars& pars) {
  ReleaseBatchOutputFolder();
  if (pars.OutputResultsDirectory.empty()) {
    NoteBatchFailure(BatchExitCode::ParameterFileRefused,
                     "OutputResultsDirectory is empty; name the folder for the results");
    return OutputClaim::Refused;
  }
  const fs::path folder = pars.OutputResultsDirectory;
  std::error_code ec;
  fs::create_directories(folder, ec);
  if (!fs::is_directory(folder, ec)) {
    NoteBatchFailure(BatchExitCode::ResultsNotWritten,
                     "the output folder " + folder.string() + " could not be created");
    return OutputClaim::Refused;
  }
  const OutputClaim claim = TakeLock(folder);
  if (claim == OutputClaim::Claimed) RemoveEarlierResults(pars);
  return claim;
}

void ReleaseBatchOutputFolder() {
  if (Lock.fd >= 0) ::close(Lock.fd);
  Lock = FolderLock{};
}

bool BatchOutputFolderInUse() {
  return Lock.inUse;
}

bool BatchOutputFolderClaimed() {
  return Lock.fd >= 0;
}

std::string FlagFilePathProblem(const CIniCustomPars& pars) {
  const std::string& parameterFile = pars.ParameterFile;
  const std::string& flag = pars.AllDoneFlagFile;
  if (flag.empty()) return "AllDoneFlagFile is empty; name the file written when all is done";
  std::error_code ec;
  if (fs::is_directory(flag, ec)) return "AllDoneFlagFile " + flag + " is a folder";
  const std::string key = SameFileKey(flag);
  auto names = [&](const std::string& what, const fs::path& other) {
    return SameFileKey(other) == key ? "AllDoneFlagFile " + flag + " names " + what +
                                           "; it would be overwritten"
                                     : std::string();
  };
  if (!parameterFile.empty())
    if (std::string p = names("the parameter file", parameterFile); !p.empty()) return p;
  if (!pars.OutputResultsDirectory.empty()) {
    const fs::path folder = pars.OutputResultsDirectory;
    for (const std::string& name : BatchResultFileNames())
      if (std::string p = names("the result file " + name, folder / name); !p.empty()) return p;
    if (std::string p = names("the output folder's lock", folder / kLockFileName); !p.empty())
      return p;
  }
  // Only an accepted record's scan list is bounded (a refused one may
  // number billions of scans).
  if (!pars.Valid) return {};
  for (const std::string& scan : BatchScanPaths(pars))
    if (std::string p = names("the scan file " + scan, scan); !p.empty()) return p;
  return {};
}

std::string PartialFilePath(const std::string& path) {
  const fs::path p = path;
  return (p.parent_path() / (kPartialPrefix + p.filename().string())).string();
}

bool PutFileInPlace(const std::string& partial, const std::string& path) {
  std::error_code ec;
  fs::rename(partial, path, ec);
  if (!ec) return true;
  fs::remove(partial, ec);
  return false;
}

bool WriteFileWhole(const std::string& path, const std::string& text) {
  const std::string partial = PartialFilePath(path);
  std::FILE* f = std::fopen(partial.c_str(), "w");
  if (f == nullptr) return false;
  bool written = std::fwrite(text.data(), 1, text.size(), f) == text.size();
  // On a full disk the buffered bytes fail at the flush or, on some file
  // systems, only at the sync.
  written = std::fflush(f) == 0 && written;
  written = ::fsync(::fileno(f)) == 0 && written;
  written = std::fclose(f) == 0 && written;
  if (!written) {
    std::error_code ec;
    fs::remove(partial, ec);
    return false;
  }
  return PutFileInPlace(partial, path);
}
