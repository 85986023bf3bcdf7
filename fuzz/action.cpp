// ParseAction on any text: a code from -1 to 8, the one of the last word of
// the list that occurs in the text, whatever else the text holds.

#include <array>
#include <string>

#include "FuzzInput.h"
#include "link/Actions.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string word(reinterpret_cast<const char*>(data), size);
    const int code = ob::ParseAction(word);
    OB_FUZZ_CHECK(code >= ob::kNoAction && code <= ob::kTerminate);

    static const std::array<std::string, 9> words{"/OBVER",    "/OBLOGIN",       "/OBLOGOUT",
                                                  "/LOCASSET", "/CREATECAL",     "/WRITESTD",
                                                  "/CREATEFULLRES", "/FLUSHFULLRES", "/TERMINATE"};
    int expected = ob::kNoAction;
    for (int i = 0; i < static_cast<int>(words.size()); ++i) {
        if (word.find(words[static_cast<std::size_t>(i)]) != std::string::npos)
            expected = i;
    }
    OB_FUZZ_CHECK(code == expected);
    // Appending a later word of the list always wins.
    OB_FUZZ_CHECK(ob::ParseAction(word + "/TERMINATE") == ob::kTerminate);
    return 0;
}
