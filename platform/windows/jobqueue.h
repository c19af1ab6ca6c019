#pragma once

// The spooler's answer to "does this printer still hold a job?", behind a seam: Wine's spooler lists no
// jobs (its EnumJobs is a stub), so tests put a stand-in queue in its place.

#include <functional>
#include <string>

namespace pf::platform::win {

using QueuedJobsCall = std::function<bool(const std::string& printerName)>;

// True while the printer's queue holds a job (EnumJobs, or the job count the printer reports); false
// when the queue is empty or cannot be read.
bool SpoolerHasQueuedJobs(const std::string& printerName);

// The call AwaitPrinterJobs asks; an empty function puts SpoolerHasQueuedJobs back.
void OverrideQueuedJobsCall(QueuedJobsCall call);

} // namespace pf::platform::win
