#include "app/fEnNumber.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/PageExchange.h"

namespace {

using namespace testsupport;

class EnNumber : public PageExchange<TFormEnNumber> {
protected:
    EnNumber() : PageExchange(FormEnNumber, "FormEnNumber") { clearBeforeRead = true; }
};

const std::string kFlag = "Флаг включения инженерных номеров";
const Lines kGroups = {kFlag, "Инженерный номер 1", "Инженерный номер 2", "Инженерный номер 3", "Инженерный номер 4", "Инженерный номер 5"};
std::function<void(TFormEnNumber&)> FlagOn()
{
    return [](TFormEnNumber& p) { p.CheckBox1->SetChecked(true); };
}

const EnNumber::Row kEnNumberExchanges[] = {
    {.name = "ReadTheFlagAndFiveNumbers", .panel = sim::PanelKind::Bolid,
     .wire = Lines{"+enaing", "+phing0", "+phing1", "+phing2", "+phing3", "+phing4"},
     .logged = Logged("Читаю", kGroups),
     .shown = {{"CheckBox1", "1"}, {"etN1", "+79161234567"}, {"etN2", "+79031112233"}, {"etN3", ""}}},
    {.name = "WriteTheFlagAndBlanksForNoNumber", .write = true,
     .given = [](TFormEnNumber& p) { FlagOn()(p); p.etN1->SetText("+79031112233"); p.etN3->SetText("+74950001122"); },
     .wire = Lines{"+enaing00", "+phing0+79031112233", "+phing1 ", "+phing2+74950001122", "+phing3 ", "+phing4 "},
     .logged = Logged("Пишу", kGroups)},
    {.name = "WriteFailuresAreNamedAndTheRestGoesOn", .write = true, .refused = {"phing2", "enaing"},
     .given = [](TFormEnNumber& p) { p.etN2->SetText("123"); p.etN3->SetText("456"); },
     .errors = {W(kFlag), W("Инженерный номер 3")}, .stored = {{"phing1", "123"}, {"phing4", " "}}},
    {.name = "WriteANumberTheDeviceCannotTake", .write = true, .given = [](TFormEnNumber& p) { p.etN2->SetText("+7\t123"); },
     .wire = Lines{"+enaingFF", "+phing0 ", "+phing2 ", "+phing3 ", "+phing4 "},
     .errors = {W("Инженерный номер 2") + ": в нём есть управляющий символ (перевод строки, возврат каретки и подобные)"}},
};

PAGE_EXCHANGES(EnNumber, kEnNumberExchanges);

}  // namespace
