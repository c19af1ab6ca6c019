#pragma once

// The values of the user a job prints for: OutputFile and BypassSaveAs, as the program wrote them, and
// that user's Documents folder. Read from the job user's own registry hive, never from the spooler's
// HKEY_CURRENT_USER, which belongs to the service account.

#include <windows.h>

#include <string>
#include <vector>

namespace pf::pdfwriter {

struct UserValues {
    std::wstring outputFile;
    std::wstring bypassSaveAs;
    std::wstring documentsFolder;
};

// While the spooler acts as the job's user, that user's hive (RegOpenCurrentUser). Otherwise the hive
// under HKEY_USERS of the job's owner, found through the printer and job id. Where there is neither (a
// spooler running inside the printing program), the printing process's own user. Throws JobError when
// the hive cannot be opened.
UserValues ReadUserValues(HANDLE printer, DWORD jobId);

// The spooler's JOB_INFO_1W of a job, in a buffer that holds its texts too; empty when there is no such
// job to ask about (no printer handle, job id 0) or the spooler does not answer.
std::vector<BYTE> ReadJobInfo(HANDLE printer, DWORD jobId);

} // namespace pf::pdfwriter
