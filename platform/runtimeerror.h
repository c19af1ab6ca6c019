#pragma once

#include <stdexcept>
#include <string>

namespace pf {

// Well-known failure numbers, in the spirit of the classic run-time error numbers, so that a report
// reads the same on every platform.
namespace err {
inline constexpr int kInvalidProcedureCall = 5;
inline constexpr int kOverflow = 6;
inline constexpr int kSubscriptOutOfRange = 9;
inline constexpr int kFileNotFound = 53;
inline constexpr int kFileAlreadyOpen = 55;
inline constexpr int kDiskFull = 61;
inline constexpr int kPermissionDenied = 70;
inline constexpr int kPathFileAccessError = 75;
inline constexpr int kPathNotFound = 76;
inline constexpr int kAutomationError = 440;
inline constexpr int kPrinterInfo = 484; // the printer object has no printer behind it
inline constexpr int kIndexOutOfBounds = 35600;
inline constexpr int kBufferTooSmall = 20476;
inline constexpr int kInternalError = 51;
} // namespace err

// The platform's standard description of a failure number ("File not found" for 53, ...).
std::string ErrorDescription(int number);

// A failure that an error trap can report: a number and a description.
class RuntimeError : public std::runtime_error {
public:
    explicit RuntimeError(int number) : RuntimeError(number, ErrorDescription(number)) {}
    RuntimeError(int number, const std::string& description)
        : std::runtime_error(description), m_number(number) {}

    int Number() const noexcept { return m_number; }

private:
    int m_number;
};

// Maps a POSIX errno value to the failure number a report shows (ENOENT: 53, EACCES: 70, ...).
int ErrorNumberFromErrno(int errnoValue);

} // namespace pf
