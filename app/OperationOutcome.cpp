#include "app/OperationOutcome.h"

namespace {

constexpr const char* kLinkLost = "Связь с устройством потеряна";

// The form of a count's noun: 0 one, 1 few, 2 many.
int Form(std::size_t count)
{
    const std::size_t tens = count % 100;
    const std::size_t units = count % 10;
    if (units == 1 && tens != 11) return 0;
    if (units >= 2 && units <= 4 && (tens < 12 || tens > 14)) return 1;
    return 2;
}

std::string ErrorsText(std::size_t errors)
{
    return errors == 0 ? std::string("ошибок нет") : CountText(errors, "ошибка", "ошибки", "ошибок");
}

// "прочитано 3 страницы", "записана 1 страница": the verb agrees with a count that ends in one.
std::string PagesText(const TPageOutcome& o, std::size_t count, bool capital)
{
    std::string verb = o.Writing ? (capital ? "Записан" : "записан") : (capital ? "Прочитан" : "прочитан");
    verb += Form(count) == 0 ? "а " : "о ";
    return verb + CountText(count, "страница", "страницы", "страниц");
}

std::string PageName(const TPageOutcome& o) { return "\"" + o.PageCaption + "\""; }

}  // namespace

std::string CountText(std::size_t Count, const char* One, const char* Few, const char* Many)
{
    const char* const forms[] = {One, Few, Many};
    return std::to_string(Count) + " " + forms[Form(Count)];
}

std::string PageOutcomeText(const TPageOutcome& Outcome)
{
    const TPageOutcome& o = Outcome;
    const char* done = o.Writing ? "записана" : "прочитана";
    switch (o.End) {
    case TPageOutcome::TEnd::Completed:
        if (o.All) return PagesText(o, o.Done, true) + ", " + ErrorsText(o.Errors);
        return "Страница " + PageName(o) + " " + done + ", " + ErrorsText(o.Errors);
    case TPageOutcome::TEnd::Cancelled:
        if (o.All)
            return std::string(o.Writing ? "Запись прервана: " : "Чтение прервано: ") + PagesText(o, o.Done, false) +
                   " из " + std::to_string(o.Total);
        return std::string(o.Writing ? "Запись страницы " : "Чтение страницы ") + PageName(o) +
               (o.Writing ? " прервана" : " прервано");
    case TPageOutcome::TEnd::LinkLost:
        if (o.All) return std::string(kLinkLost) + ": " + PagesText(o, o.Done, false) + " из " + std::to_string(o.Total);
        return std::string(kLinkLost) + ": страница " + PageName(o) + " не " + done;
    }
    return {};
}
