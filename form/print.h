// What printing the main window came to, and what the window then tells
// the user. The front ends do the printing; this is shared so that both
// say the same in both languages.
#pragma once

#include <string>
#include <string_view>

namespace kavrel {

// Why a page did not come out, as far as the program can tell.
enum class PrintFault {
    None,              // the printer took the page
    NoPrinter,         // no printer is set up, or no print server answers
    NoDefaultPrinter,  // there are printers, but none is the default
    Stopped,           // the default printer is stopped (paused or halted)
    NotAccepting,      // the default printer refuses new jobs
    PageNotMade,       // the page could not be drawn
    NotTaken,          // the print system refused the job
    NotPrinted,        // the printer took the page, then cancelled or aborted it
};

struct PrintOutcome {
    PrintFault fault = PrintFault::None;
    std::string printer;  // the default printer, when there is one (UTF-8)
    std::string detail;   // the print system's own words, when it gave any
};

// The message for an outcome in the language of `languageText` ("RUS":
// Russian, anything else English), naming the printer where it matters;
// empty when the page was printed.
std::string NothingPrintedText(const PrintOutcome& outcome, std::string_view languageText);

}  // namespace kavrel
