#include "core/CounterSource.h"

namespace trovik {

bool StatValueFromName(std::string_view name, StatValue& out) {
    for (std::size_t i = 0; i < kStatValueNames.size(); ++i) {
        if (kStatValueNames[i] == name) {
            out = static_cast<StatValue>(i);
            return true;
        }
    }
    return false;
}

}  // namespace trovik
