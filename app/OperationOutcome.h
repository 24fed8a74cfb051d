#pragma once
// The short word on how an operation ended, which the main window's status bar keeps until the next one
// ("Прочитано 7 страниц, ошибок нет"), in the Russian the counts take.
#include <cstddef>
#include <string>

// A count with its noun in the form Russian takes after the number: 1 страница, 3 страницы, 5 страниц.
std::string CountText(std::size_t Count, const char* One, const char* Few, const char* Many);

// How a read or write of pages ended.
struct TPageOutcome {
    enum class TEnd { Completed, Cancelled, LinkLost };
    bool Writing = false;
    // Every page, or only the page on show (named by PageCaption).
    bool All = false;
    std::string PageCaption;
    // Pages exchanged, of how many.
    std::size_t Done = 0;
    std::size_t Total = 0;
    std::size_t Errors = 0;
    TEnd End = TEnd::Completed;
};

std::string PageOutcomeText(const TPageOutcome& Outcome);
