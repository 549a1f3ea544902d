#include "launcher/host_job.h"

namespace kx {

namespace {

HANDLE MakeJob() {
  HANDLE job = ::CreateJobObjectW(nullptr, nullptr);
  if (!job) return nullptr;
  JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
  limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
  if (!::SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof limits)) {
    ::CloseHandle(job);
    return nullptr;
  }
  return job;
}

}  // namespace

bool AssignToHostJob(HANDLE process) {
  // Deliberately never closed: its last handle going is what ends the
  // simulators, and that must be the host process's end.
  static const HANDLE job = MakeJob();
  return job && ::AssignProcessToJobObject(job, process);
}

}  // namespace kx
