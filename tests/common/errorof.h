#pragma once

#include "platform/vberror.h"

namespace vorna::test {

// Runs `f` and answers the VbError it throws (number 0 when it throws none).
template <typename F>
VbError errorOf(F&& f) {
    try {
        f();
    } catch (const VbError& e) {
        return e;
    }
    return VbError(0, QString(), QString());
}

}  // namespace vorna::test
