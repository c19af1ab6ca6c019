#pragma once

// The promises of the Form seam (shell/form.h), checked on every window. The window type W offers
// Form(); Post(f): a window message; CloseWhen(condition): the user closes the window once the
// condition holds when messages run; Hover(name): the mouse moves over a control ("Form1": the
// background); PressKey(deleteKey): Delete or another key in the list; StartAndRunUntilTheProgramEnds():
// presses Start, answers whether the window ended the program.

#include "fakeprinting.h"
#include "form.h"
#include "pdfprinter.h"
#include "platform.h"
#include "runtimeerror.h"
#include "scriptedui.h"
#include "temphome.h"

#include <chrono>
#include <functional>
#include <gtest/gtest.h>
#include <string>

namespace pf::test {

template <typename W> class FormContract : public ::testing::Test {
protected:
    TempHome home;
    FakePrinting printing{home};
    W window;
};

TYPED_TEST_SUITE_P(FormContract);

// Closing the window a second into an hour's pause ends the wait at once: the run stops after the
// current file, puts the user's printers back and ends the program, without a message.
TYPED_TEST_P(FormContract, ClosingDuringAnHourLongPauseEndsTheWaitTheRunAndTheProgram) {
    Form& form = this->window.Form();
    form.SetText1(this->home.MakeFolder("out"));
    form.SetText2("3600");
    form.AppendRow(this->home.WriteFile("in/a.txt", "alpha"));
    form.AppendRow(this->home.WriteFile("in/b.txt", "beta"));
    double runStarted = -1; // by the window's clock: the in-memory form's moves only while it waits
    this->window.CloseWhen([&] {
        if (runStarted < 0 && platform::DefaultPrinterName() == kPdfPrinterName) {
            runStarted = form.SecondsSinceMidnight();
        }
        return runStarted >= 0 && form.SecondsSinceMidnight() - runStarted >= 1;
    });
    EXPECT_TRUE(this->window.StartAndRunUntilTheProgramEnds());
    EXPECT_LE(this->printing.Calls().size(), 1U) << "the run stops after the current file";
    EXPECT_EQ(platform::DefaultPrinterName(), FakePrinting::kOtherPrinter);
    EXPECT_TRUE(dynamic_cast<ScriptedUi&>(form.Ui()).MessageTexts().empty());
}

// DoEvents lets a waiting message run once a whole interval has passed since messages last ran, and
// not sooner. Load only delays the calls, so neither check depends on how fast the machine is.
TYPED_TEST_P(FormContract, DoEventsRunsWaitingMessagesWithinTheIntervalAndAtMostOnceInIt) {
    using Clock = std::chrono::steady_clock;
    Form& form = this->window.Form();
    int runs = 0;
    const auto count = [&runs] { ++runs; };
    const Clock::time_point start = Clock::now();
    form.WaitWithEvents(0);
    Clock::time_point ran = Clock::now(); // messages last ran before this
    this->window.Post(count);
    while (runs < 10) {
        const int before = runs;
        const Clock::time_point called = Clock::now();
        form.DoEvents();
        if (runs > before) {
            ran = Clock::now();
            this->window.Post(count);
        } else {
            ASSERT_LT(called - ran, std::chrono::milliseconds(kEventsIntervalMs)) << "a message waited";
        }
    }
    const std::chrono::duration<double, std::milli> took = Clock::now() - start;
    EXPECT_LE(runs, took.count() / kEventsIntervalMs + 2) << runs << " runs in " << took.count() << " ms";
}

// Rows are numbered from 1; a number outside the list fails with error 35600 in every call that takes
// one; a row's id keeps naming it while rows before it go, and names none once it is gone.
TYPED_TEST_P(FormContract, RowsCountFromOneAndKeepTheirIdentity) {
    Form& form = this->window.Form();
    for (const char* text : {"/a", "/b", "/c"}) {
        form.AppendRow(text);
    }
    EXPECT_EQ(form.RowText(1), "/a");
    EXPECT_EQ(form.RowText(3), "/c");
    const RowId c = form.RowIdAt(3);
    form.RemoveRow(1);
    EXPECT_EQ(form.IndexOfRow(c), 2);
    EXPECT_EQ(form.RowText(2), "/c");
    const std::function<void(long)> calls[] = {
        [&](long i) { (void)form.RowText(i); },     [&](long i) { form.SetRowText(i, "/x"); },
        [&](long i) { form.RemoveRow(i); },         [&](long i) { form.SelectRow(i); },
        [&](long i) { form.ScrollRowIntoView(i); }, [&](long i) { (void)form.RowIdAt(i); }};
    for (const auto& call : calls) {
        for (const long index : {0L, 3L, -1L}) {
            try {
                call(index);
                ADD_FAILURE() << "row " << index << " was taken";
            } catch (const RuntimeError& error) {
                EXPECT_EQ(error.Number(), err::kIndexOutOfBounds) << index;
            }
        }
    }
    EXPECT_EQ(form.RowCount(), 2);
    form.ClearRows();
    EXPECT_EQ(form.IndexOfRow(c), 0);
    EXPECT_EQ(form.IndexOfRow(0), 0);
}

// The hand over every button, the arrow over the background and the frames; the hourglass stays until
// the logic changes it.
TYPED_TEST_P(FormContract, HoverShowsTheHandOverButtonsTheArrowOverTheBackgroundAndKeepsTheHourglass) {
    Form& form = this->window.Form();
    for (int i = 1; i <= 7; ++i) {
        this->window.Hover("PushButton" + std::to_string(i));
        EXPECT_EQ(form.Pointer(), MousePointer::Custom) << i;
        this->window.Hover(i % 2 == 0 ? "Form1" : i < 4 ? "Frame1" : "Frame2");
        EXPECT_EQ(form.Pointer(), MousePointer::Default) << i;
    }
    form.SetPointer(MousePointer::Hourglass);
    for (const char* name : {"PushButton2", "Frame1", "Form1"}) {
        this->window.Hover(name);
        EXPECT_EQ(form.Pointer(), MousePointer::Hourglass) << name;
    }
}

// Delete removes the current row unless the window is busy; other keys leave the rows alone.
TYPED_TEST_P(FormContract, OnlyTheDeleteKeyRemovesTheCurrentRowAndNotWhileBusy) {
    Form& form = this->window.Form();
    for (const char* text : {"/a", "/b", "/c"}) {
        form.AppendRow(text);
    }
    form.SelectRow(2);
    this->window.PressKey(false);
    EXPECT_EQ(form.RowCount(), 3);
    this->window.PressKey(true);
    ASSERT_EQ(form.RowCount(), 2);
    EXPECT_EQ(form.RowText(2), "/c");
    form.SelectRow(1);
    form.SetPointer(MousePointer::Hourglass);
    this->window.PressKey(true);
    EXPECT_EQ(form.RowCount(), 2);
}

REGISTER_TYPED_TEST_SUITE_P(FormContract, ClosingDuringAnHourLongPauseEndsTheWaitTheRunAndTheProgram,
                            DoEventsRunsWaitingMessagesWithinTheIntervalAndAtMostOnceInIt,
                            RowsCountFromOneAndKeepTheirIdentity,
                            HoverShowsTheHandOverButtonsTheArrowOverTheBackgroundAndKeepsTheHourglass,
                            OnlyTheDeleteKeyRemovesTheCurrentRowAndNotWhileBusy);

} // namespace pf::test
