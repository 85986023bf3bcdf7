#include "link/Actions.h"

#include <array>

namespace ob {

int ParseAction(const std::string& word)
{
    static constexpr std::array<const char*, 9> kWords{"/OBVER",         "/OBLOGIN",      "/OBLOGOUT",
                                                       "/LOCASSET",      "/CREATECAL",    "/WRITESTD",
                                                       "/CREATEFULLRES", "/FLUSHFULLRES", "/TERMINATE"};
    int code = kNoAction;
    for (std::size_t i = 0; i < kWords.size(); ++i) {
        if (word.find(kWords[i]) != std::string::npos) {
            code = static_cast<int>(i);
        }
    }
    return code;
}

} // namespace ob
