#include "form/print.h"

#include "lang/texts.h"

#include <algorithm>
#include <array>

namespace kavrel {
namespace {

// What the message says when nothing was printed; "%1" is the printer.
struct NothingPrinted {
    PrintFault fault;
    std::string_view english;
    std::string_view russian;
};
constexpr std::array<NothingPrinted, 7> NothingPrintedTexts{{
    {PrintFault::NoPrinter, "Nothing was printed: no printer is set up on this computer.",
     "Ничего не напечатано: на этом компьютере не настроен принтер."},
    {PrintFault::NoDefaultPrinter, "Nothing was printed: no printer is chosen as the default printer.",
     "Ничего не напечатано: не выбран принтер по умолчанию."},
    {PrintFault::Stopped, "Nothing was printed: the printer \"%1\" is stopped.",
     "Ничего не напечатано: принтер \"%1\" остановлен."},
    {PrintFault::NotAccepting, "Nothing was printed: the printer \"%1\" does not accept jobs.",
     "Ничего не напечатано: принтер \"%1\" не принимает задания."},
    {PrintFault::PageNotMade, "Nothing was printed: the page could not be prepared.",
     "Ничего не напечатано: не удалось подготовить страницу."},
    {PrintFault::NotTaken, "Nothing was printed: the printer \"%1\" did not take the page.",
     "Ничего не напечатано: принтер \"%1\" не принял страницу."},
    {PrintFault::NotPrinted, "Nothing was printed: the printer \"%1\" could not print the page.",
     "Ничего не напечатано: принтер \"%1\" не смог напечатать страницу."},
}};

}  // namespace

std::string NothingPrintedText(const PrintOutcome& outcome, std::string_view languageText) {
    const auto found = std::find_if(NothingPrintedTexts.begin(), NothingPrintedTexts.end(),
                                    [&outcome](const NothingPrinted& texts) { return texts.fault == outcome.fault; });
    if (found == NothingPrintedTexts.end()) return {};
    std::string text(languageText == LanguageRus ? found->russian : found->english);
    if (const std::size_t at = text.find("%1"); at != std::string::npos) text.replace(at, 2, outcome.printer);
    return text;
}

}  // namespace kavrel
