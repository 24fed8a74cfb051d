#include "link/ValueForm.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "link/DevCommands.h"
#include "platform/Clock.h"
#include "sim/DeviceStore.h"

namespace {

struct FormCase {
    const char* name;
    const char* form;
    std::vector<std::string> fits;
    std::vector<std::string> misfits;
};

const FormCase kForms[] = {
    {"Byte", "H{2}", {"00", "FF", "0f"}, {"", "0", "F", "FFF", "0G", "0\x01", ">F"}},
    {"ObjectNumber", "H{4}", {"1234", "00aF"}, {"134", "1Z34", "12345", "12 4"}},
    {"InputEvent", "D{9}", {"113001001"}, {"11300100", "1130010010", "1A3001001", "113001\x05""01"}},
    {"Text", "T{0,}", {"", "internet.mts.ru", "Точка доступа", "a b"}, {"inter\x01net", "\x7F", "a\xC2\x85"}},
    {"ChannelRecord", "H{6}=T{0,}", {"110002=84951234567", "210103="}, {"11000284951234567", "11002=849", "1100=2=849"}},
    {"Clock", "D{2}/D{2}/D{2},D{2}:D{2}:D{2}T{3}", {"24/05/17,13:45:10+00"}, {"24/05/17,13:45:10", "24/5/17,13:45:10+00", "1234"}},
    {"Version", "T{0,}REVT{0,}", {"REV 11.005.120", "x REV 11.005.120 y"}, {"", "rev 11.005.120", "11.005.120"}},
    {"Pointer", "H{4}T{0,}", {"0010", "0010 rest"}, {"010", "G010"}},
    {"AtLeast", "T{3,}", {"abc", "abcd"}, {"ab"}},
    {"Range", "D{1,3}", {"1", "123"}, {"", "1234"}},
};

class ValueForms : public ::testing::TestWithParam<FormCase> {};

TEST_P(ValueForms, FitWhatTheyDescribeAndNothingElse)
{
    const FormCase& c = GetParam();
    ASSERT_TRUE(IsValueForm(c.form));
    for (const std::string& v : c.fits) EXPECT_TRUE(FitsValueForm(v, c.form)) << v;
    for (const std::string& v : c.misfits) EXPECT_FALSE(FitsValueForm(v, c.form)) << v;
}

INSTANTIATE_TEST_SUITE_P(Forms, ValueForms, ::testing::ValuesIn(kForms),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ValueFormPatterns, MalformedPatternsFitNothing)
{
    for (const char* form : {"H{", "H{2", "{2}", "H{3,1}", "H{x}", "\xD0\x90"}) {
        EXPECT_FALSE(IsValueForm(form)) << form;
        EXPECT_FALSE(FitsValueForm("00", form)) << form;
    }
    EXPECT_TRUE(FitsValueForm("", ""));
    EXPECT_FALSE(FitsValueForm("0", ""));
}

// The command table against a device's own values: every value a healthy device holds fits its word's
// form, and a byte lost from a value of fixed length or a noise byte put into any value never does.
TEST(CommandForms, EveryReadHasAFormThatTheDevicesValuesFitAndTheirCorruptionsDoNot)
{
    for (const TCommandWord& word : CommandWords())
        EXPECT_TRUE(word.Read.Shape == TCommandShape::None || IsValueForm(word.Read.Form)) << word.Word;
    const sim::DeviceStore store{sim::DeviceProfile{}};
    int checked = 0;
    for (const auto& [key, value] : store.Values()) {
        const TCommandWord* word = nullptr;
        for (const TCommandWord& w : CommandWords())
            if (key.starts_with(w.Word) && w.Read.Shape != TCommandShape::None && (!word || w.Word.size() > word->Word.size()))
                word = &w;
        ASSERT_NE(word, nullptr) << key;
        const std::string_view form = word->Read.Form;
        EXPECT_TRUE(FitsValueForm(value, form)) << key << " = " << value;
        for (std::size_t at = 0; at < value.size(); ++at) {
            std::string noisy = value;
            noisy[at] = '\x05';
            EXPECT_FALSE(FitsValueForm(noisy, form)) << key << " noise at " << at;
            if (form.find('T') != std::string_view::npos) continue;
            std::string shorter = value;
            shorter.erase(at, 1);
            EXPECT_FALSE(FitsValueForm(shorter, form)) << key << " lost at " << at;
        }
        ++checked;
    }
    EXPECT_GT(checked, 50);
}

}  // namespace
