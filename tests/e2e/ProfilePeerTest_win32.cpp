// PYRALIS II's side with its own API: the profile functions, which rewrite
// the whole file in place without a lock, beside the running program.

#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "support/RealProgram.h"

using namespace ob::test;

TEST(ProfilePeer, thePeersValuesSurviveTheProgramsWritesAsItsOwnApiReadsThem)
{
    TempDir dir;
    RealProgram program(dir.path());
    ASSERT_TRUE(program.waitUntilStarted());
    const std::string path = dir.file("OB32PYII.INI");
    const auto write = [&](const char* section, const std::string& key, const std::string& value) {
        return ::WritePrivateProfileStringA(section, key.c_str(), value.c_str(), path.c_str()) != 0;
    };
    const auto read = [&](const char* section, const std::string& key) {
        std::vector<char> buffer(4096);
        return std::string(buffer.data(), ::GetPrivateProfileStringA(section, key.c_str(), "<missing>", buffer.data(),
                                                                     4096, path.c_str()));
    };
    // Sends an action as PYRALIS II does and waits for the program's answer. Each read opens the file
    // anew, so the three keys come from one state only when two reads in a row agree: the take-up
    // empties Error before the answer fills it, and a read may meet a rewrite in place half done.
    const auto request = [&](const std::string& action) {
        write("General", "Error", "<pending>");
        write("General", "Action", action);
        std::string last;
        for (int i = 0; i < 1500; ++i, std::this_thread::sleep_for(std::chrono::milliseconds(20))) {
            const std::string busy = read("General", "Busy"), error = read("General", "Error");
            const std::string now = busy + "|" + read("General", "Action") + "|" + error;
            if (now == last && now == "False||" + error && error != "<pending>" && error != "<missing>")
                return error;
            last = now;
        }
        return std::string("<no answer>");
    };

    const std::vector<std::pair<std::string, std::string>> values{
        {"Blanks", "  outer blanks  "}, {"Quoted", "\"in quotes\""}, {"Equals", "a=b=c"},
        {"Semicolon", ";not a comment"}, {"HighBytes", "Gr\xFC\xDF" "e \xB0" "C \xB5\xA9\x80\xFF"},
        {"Long", std::string(1000, 'x') + "end"},
    };
    // What the peer's own API gives back is what the peer counts on.
    std::vector<std::string> asThePeerSees;
    for (const auto& [key, value] : values) {
        ASSERT_TRUE(write("Peer", key, value)) << key;
        asThePeerSees.push_back(read("Peer", key));
    }
    for (int round = 0; round < 5; ++round) {
        EXPECT_EQ(request("/FOO"), "Unrecognized action '/FOO'") << "round " << round;
        // The peer rewrites its keys between requests, as it does in a session.
        ASSERT_TRUE(write("Peer", "Round", std::to_string(round)));
    }
    for (std::size_t i = 0; i < values.size(); ++i)
        EXPECT_EQ(read("Peer", values[i].first), asThePeerSees[i]) << values[i].first;
    EXPECT_EQ(read("Peer", "Round"), "4");
    EXPECT_EQ(request("/TERMINATE"), "");
    EXPECT_EQ(program.waitForExit(), 0);
}
