#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace pf {

class UserInterface;

// The uniform error trap of a handler: it runs the handler's numbered statements, reports a failing one
// with the location identifier and its line number, and lets the handler go on with the next statement.
class ErrorTrap {
public:
    ErrorTrap(UserInterface& ui, std::string_view location) : m_ui(ui), m_location(location) {}

    // Marks the handler as having reached a numbered line without running anything.
    void At(int line) { m_line = line; }

    // Runs one numbered statement; a failure is reported and swallowed.
    void Run(int line, const std::function<void()>& statement);

    // Evaluates the test of a conditional. A failing test is reported and gives onFailure: true where the
    // test opens a block (execution goes on inside it), false where it only jumps elsewhere.
    bool Test(int line, const std::function<bool()>& test, bool onFailure);

    // Handles a failure that the caller caught itself, as if it had happened at the current line.
    void Report(int number, const std::string& description);

    const std::string& Location() const { return m_location; }

private:
    void ReportCurrent();

    UserInterface& m_ui;
    std::string m_location;
    int m_line = 0;
};

} // namespace pf
