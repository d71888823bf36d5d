#include "platform/vberror.h"

namespace vorna {

VbError::VbError(long n, QString src, QString desc)
    : number(n), source(std::move(src)), description(std::move(desc)),
      what_((source + QStringLiteral(" : ") + description).toUtf8()) {}

const char* VbError::what() const noexcept { return what_.constData(); }

}  // namespace vorna
