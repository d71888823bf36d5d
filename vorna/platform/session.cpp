#include "platform/session.h"

#include "platform/forms/form.h"

namespace vorna {

Session& Session::current() {
    static Session session;
    return session;
}

}  // namespace vorna
