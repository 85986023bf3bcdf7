#include "platform/Failure.h"

#include <new>

namespace ob {

Failure currentFailure() noexcept
{
    try {
        throw;
    } catch (const Failure& f) {
        return f;
    } catch (const std::bad_alloc&) {
        return Failure::outOfMemory();
    } catch (const std::exception& e) {
        return Failure(51, std::string("Internal error: ") + e.what());
    } catch (...) {
        return Failure(51, "Internal error");
    }
}

} // namespace ob
