// The status bar's word on how an operation ended, in the forms Russian gives a count.
#include "app/OperationOutcome.h"

#include <gtest/gtest.h>

namespace {

struct OutcomeCase {
    const char* name;
    TPageOutcome outcome;
    const char* text;
};

using End = TPageOutcome::TEnd;

TPageOutcome All(bool writing, std::size_t done, std::size_t errors, End end = End::Completed, std::size_t total = 0)
{
    return {.Writing = writing, .All = true, .PageCaption = {}, .Done = done, .Total = total, .Errors = errors, .End = end};
}

TPageOutcome Page(bool writing, std::size_t errors, End end = End::Completed)
{
    return {.Writing = writing, .All = false, .PageCaption = "Шлейфы", .Done = 0, .Total = 0, .Errors = errors, .End = end};
}

const OutcomeCase kCases[] = {
    {"OnePage", All(false, 1, 0), "Прочитана 1 страница, ошибок нет"},
    {"FewPagesOneError", All(true, 3, 1), "Записано 3 страницы, 1 ошибка"},
    {"ManyPagesFewErrors", All(false, 7, 22), "Прочитано 7 страниц, 22 ошибки"},
    {"ElevenIsMany", All(true, 11, 11), "Записано 11 страниц, 11 ошибок"},
    {"TwentyOneIsOne", All(false, 21, 112), "Прочитана 21 страница, 112 ошибок"},
    {"PageRead", Page(false, 0), "Страница \"Шлейфы\" прочитана, ошибок нет"},
    {"PageWrittenWithErrors", Page(true, 2), "Страница \"Шлейфы\" записана, 2 ошибки"},
    {"ReadAllCancelled", All(false, 2, 0, End::Cancelled, 7), "Чтение прервано: прочитано 2 страницы из 7"},
    {"WriteAllCancelled", All(true, 1, 0, End::Cancelled, 6), "Запись прервана: записана 1 страница из 6"},
    {"PageWriteCancelled", Page(true, 0, End::Cancelled), "Запись страницы \"Шлейфы\" прервана"},
    {"LinkLostInReadAll", All(false, 5, 1, End::LinkLost, 8), "Связь с устройством потеряна: прочитано 5 страниц из 8"},
    {"LinkLostInPageWrite", Page(true, 1, End::LinkLost), "Связь с устройством потеряна: страница \"Шлейфы\" не записана"},
};

class OperationOutcome : public ::testing::TestWithParam<OutcomeCase> {};

TEST_P(OperationOutcome, IsToldInWords) { EXPECT_EQ(PageOutcomeText(GetParam().outcome), GetParam().text); }

INSTANTIATE_TEST_SUITE_P(Ends, OperationOutcome, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<OutcomeCase>& info) { return info.param.name; });

}  // namespace
