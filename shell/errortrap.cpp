#include "errortrap.h"

#include "form.h"
#include "reports.h"
#include "runtimeerror.h"

#include <exception>

namespace pf {

void ErrorTrap::Run(int line, const std::function<void()>& statement) {
    m_line = line;
    try {
        statement();
    } catch (...) {
        ReportCurrent();
    }
}

bool ErrorTrap::Test(int line, const std::function<bool()>& test, bool onFailure) {
    m_line = line;
    try {
        return test();
    } catch (...) {
        ReportCurrent();
        return onFailure;
    }
}

void ErrorTrap::Report(int number, const std::string& description) {
    ReportError(m_ui, m_location, ErrorInfo{number, description, m_line});
}

// Called from inside a catch block: turns whatever was thrown into a number and a description.
void ErrorTrap::ReportCurrent() {
    try {
        throw;
    } catch (const RuntimeError& e) {
        Report(e.Number(), e.what());
    } catch (const std::bad_alloc&) {
        Report(7, ErrorDescription(7));
    } catch (const std::exception& e) {
        Report(err::kInternalError, e.what());
    } catch (...) {
        Report(err::kInternalError, ErrorDescription(err::kInternalError));
    }
}

} // namespace pf
