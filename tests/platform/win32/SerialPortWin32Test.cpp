// What the Windows port says of a name it cannot open as a serial port, before any simulator is needed.
#include "platform/win32/SerialPort.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using Reason = platform::SerialPortError::Reason;

struct OpenCase {
    const char* name;
    std::string port;
    Reason reason;
    std::string says;
};

class SerialPortWin32Open : public testing::TestWithParam<OpenCase> {};

TEST_P(SerialPortWin32Open, NamesWhyInTheUsersWords)
{
    platform::SerialPort port;
    try {
        port.Open(GetParam().port);
        ADD_FAILURE() << "opened";
    } catch (const platform::SerialPortError& e) {
        EXPECT_EQ(e.reason(), GetParam().reason);
        EXPECT_EQ(std::string(e.what()), GetParam().says);
    }
    EXPECT_FALSE(port.IsOpen());
    EXPECT_THROW(port.InputWaiting(), platform::SerialPortError) << "a closed port answers nothing";
}

INSTANTIATE_TEST_SUITE_P(
    Names, SerialPortWin32Open,
    testing::Values(OpenCase{"Missing", "COM99", Reason::NotFound, "порт «COM99» не найден."},
                    OpenCase{"MissingInTheDeviceForm", R"(\\.\COM98)", Reason::NotFound, R"(порт «\\.\COM98» не найден.)"},
                    OpenCase{"NoneChosen", "", Reason::NotFound, "порт не выбран."},
                    OpenCase{"ADeviceThatIsNoSerialPort", "NUL", Reason::Failed, "«NUL» не является последовательным портом."}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
