#include "runtimeerror.h"

#include <cerrno>

namespace pf {

std::string ErrorDescription(int number) {
    switch (number) {
    case err::kInvalidProcedureCall:
        return "Invalid procedure call or argument";
    case err::kOverflow:
        return "Overflow";
    case 7:
        return "Out of memory";
    case 11:
        return "Division by zero";
    case err::kSubscriptOutOfRange:
        return "Subscript out of range";
    case err::kInternalError:
        return "Internal error";
    case 52:
        return "Bad file name or number";
    case err::kFileNotFound:
        return "File not found";
    case err::kFileAlreadyOpen:
        return "File already open";
    case 58:
        return "File already exists";
    case err::kDiskFull:
        return "Disk full";
    case 67:
        return "Too many files";
    case err::kPermissionDenied:
        return "Permission denied";
    case 71:
        return "Disk not ready";
    case err::kPathFileAccessError:
        return "Path/File access error";
    case err::kPathNotFound:
        return "Path not found";
    case err::kAutomationError:
        return "Automation error";
    case err::kBufferTooSmall:
        return "The FileName buffer is too small to store the selected file name(s)";
    case err::kIndexOutOfBounds:
        return "Index out of bounds";
    default:
        return "Application-defined or object-defined error";
    }
}

int ErrorNumberFromErrno(int errnoValue) {
    switch (errnoValue) {
    case ENOENT:
        return err::kFileNotFound;
    case ENOTDIR:
        return err::kPathNotFound;
    case EACCES:
    case EPERM:
    case EROFS:
        return err::kPermissionDenied;
    case EEXIST:
        return 58;
    case ENOSPC:
#ifdef EDQUOT // the Windows C library has no disk quotas
    case EDQUOT:
#endif
        return err::kDiskFull;
    case EMFILE:
    case ENFILE:
        return 67;
    case ENOMEM:
        return 7;
    case ENAMETOOLONG:
    case EINVAL:
        return 52;
    default:
        return err::kPathFileAccessError;
    }
}

} // namespace pf
