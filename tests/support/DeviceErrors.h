#pragma once
// The serial driver's error that a call raises; a call that raises none fails the test.
#include <gtest/gtest.h>

#include "link/SerialErr.h"

namespace testsupport {

template <class Call>
EDeviceError Raised(Call&& call)
{
    try {
        call();
    } catch (const EDeviceError& e) {
        return e;
    }
    ADD_FAILURE() << "no EDeviceError";
    return EDeviceError("", -1);
}

}  // namespace testsupport
