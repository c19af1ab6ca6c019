#pragma once

// The promises of the Form seam (shell/form.h), written once and checked on every implementation: the
// in-memory form, the Qt window and the Win32 window. Each test program instantiates FormContract with
// its window type W, which offers:
//   pf::Form& Form();                       the window as the logic sees it
//   test::ScriptedUi& Ui();                 its scripted dialogs
//   void Post(std::function<void()>);       a window message: runs when the window next lets messages run
//   void CloseWhen(std::function<bool()>);  the user closes the window once the condition holds, as seen
//                                           whenever the window lets messages run
//   void Hover(const std::string& name);    the mouse moves over a control, "Form1" the background
//   void PressKey(bool deleteKey);          a key goes down in the list: Delete, or another key
//   void StartAndRunUntilTheProgramEnds();  presses Start and lets the program run until it ends
//   bool Ended() const;                     the window has ended the program

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

// Closing the window during a pause of an hour ends the wait at once: the run stops after the current
// file, puts the user's printers back and ends the program, without a message.
TYPED_TEST_P(FormContract, ClosingDuringAnHourLongPauseEndsTheWaitTheRunAndTheProgram) {
    Form& form = this->window.Form();
    form.SetText1(this->home.MakeFolder("out"));
    form.SetText2("3600");
    form.AppendRow(this->home.WriteFile("in/a.txt", "alpha"));
    form.AppendRow(this->home.WriteFile("in/b.txt", "beta"));
    // A second by the window's clock after the run made the PDF printer the default, the run is well
    // inside the first quarter of the pause (the in-memory form's clock moves only while it waits).
    double runStarted = -1;
    this->window.CloseWhen([&] {
        if (runStarted < 0 && platform::DefaultPrinterName() == kPdfPrinterName) {
            runStarted = form.SecondsSinceMidnight();
        }
        return runStarted >= 0 && form.SecondsSinceMidnight() - runStarted >= 1;
    });
    this->window.StartAndRunUntilTheProgramEnds();
    EXPECT_TRUE(this->window.Ended());
    EXPECT_LE(this->printing.Calls().size(), 1U) << "the run stops after the current file";
    EXPECT_EQ(platform::DefaultPrinterName(), FakePrinting::kOtherPrinter);
    EXPECT_TRUE(this->window.Ui().MessageTexts().empty());
}

// DoEvents lets a waiting message run within the interval, but lets messages run at most once in it.
TYPED_TEST_P(FormContract, DoEventsRunsWaitingMessagesWithinTheIntervalAndAtMostOnceInIt) {
    using Clock = std::chrono::steady_clock;
    Form& form = this->window.Form();
    int runs = 0;
    bool waiting = false;
    const auto post = [&] {
        if (!waiting) {
            waiting = true;
            this->window.Post([&] {
                ++runs;
                waiting = false;
            });
        }
    };
    const Clock::time_point burstStart = Clock::now();
    form.WaitWithEvents(0); // messages ran just now
    for (int i = 0; i < 10000; ++i) {
        post();
        form.DoEvents();
    }
    const auto burstMs =
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - burstStart).count();
    EXPECT_LE(runs, burstMs / kEventsIntervalMs + 1)
        << "messages ran " << runs << " times in " << burstMs << " ms";
    const int before = runs;
    post();
    const Clock::time_point start = Clock::now();
    while (Clock::now() - start <= std::chrono::milliseconds(kEventsIntervalMs)) {
        form.DoEvents();
    }
    form.DoEvents(); // a whole interval after the last run
    EXPECT_GT(runs, before) << "a message waited longer than the interval";
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
        const std::string button = "PushButton" + std::to_string(i);
        this->window.Hover(button);
        EXPECT_EQ(form.Pointer(), MousePointer::Custom) << button;
        this->window.Hover(i % 2 == 0 ? "Form1" : i < 4 ? "Frame1" : "Frame2");
        EXPECT_EQ(form.Pointer(), MousePointer::Default) << button;
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
