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
#include "support/TempDir.h"

using namespace ob::test;

namespace {

class ProfilePeer {
public:
    explicit ProfilePeer(std::string path) : m_path(std::move(path)) {}

    bool write(const std::string& section, const std::string& key, const std::string& value) const
    {
        return ::WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(), m_path.c_str()) != 0;
    }
    std::string read(const std::string& section, const std::string& key) const
    {
        std::vector<char> buffer(4096);
        const DWORD n = ::GetPrivateProfileStringA(section.c_str(), key.c_str(), "<missing>", buffer.data(),
                                                   static_cast<DWORD>(buffer.size()), m_path.c_str());
        return std::string(buffer.data(), n);
    }
    // Sends an action as PYRALIS II does and waits for the program's answer.
    std::string request(const std::string& action) const
    {
        write("General", "Error", "<pending>");
        write("General", "Action", action);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (std::chrono::steady_clock::now() < deadline) {
            const std::string error = read("General", "Error");
            if (error != "<pending>" && read("General", "Busy") == "False" && read("General", "Action").empty())
                return error;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return "<no answer>";
    }

private:
    std::string m_path;
};

} // namespace

TEST(ProfilePeer, thePeersValuesSurviveTheProgramsWritesAsItsOwnApiReadsThem)
{
    TempDir dir;
    RealProgram program(dir.path());
    ASSERT_TRUE(program.waitUntilStarted());
    const ProfilePeer peer(dir.file("OB32PYII.INI"));

    const std::vector<std::pair<std::string, std::string>> values{
        {"Blanks", "  outer blanks  "},
        {"Quoted", "\"in quotes\""},
        {"Equals", "a=b=c"},
        {"Semicolon", ";not a comment"},
        {"HighBytes", "Gr\xFC\xDF" "e \xB0" "C \xB5\xA9\x80\xFF"},
        {"Long", std::string(1000, 'x') + "end"},
    };
    // What the peer's own API gives back is what the peer counts on.
    std::vector<std::string> asThePeerSees;
    for (const auto& [key, value] : values) {
        ASSERT_TRUE(peer.write("Peer", key, value)) << key;
        asThePeerSees.push_back(peer.read("Peer", key));
    }
    for (int round = 0; round < 5; ++round) {
        EXPECT_EQ(peer.request("/FOO"), "Unrecognized action '/FOO'") << "round " << round;
        // The peer rewrites its keys between requests, as it does in a session.
        ASSERT_TRUE(peer.write("Peer", "Round", std::to_string(round)));
    }
    for (std::size_t i = 0; i < values.size(); ++i)
        EXPECT_EQ(peer.read("Peer", values[i].first), asThePeerSees[i]) << values[i].first;
    EXPECT_EQ(peer.read("Peer", "Round"), "4");
    EXPECT_EQ(peer.request("/TERMINATE"), "");
    EXPECT_EQ(program.waitForExit(), 0);
}
