#pragma once
// The real ob32pyii in a Windows folder of its own, and ob32pyii-send playing PYRALIS II (OB32PYII_BUILD_DIR).

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <list>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "platform/system/InstanceLock.h"
#include "support/EnvironmentVariable.h"
#include "support/TempDir.h"
#include "support/TestDatabase.h"

namespace ob::test {

// The built executable at `relativePath` under OB32PYII_BUILD_DIR.
inline std::string builtProgram(const std::string& relativePath)
{
    const char* dir = std::getenv("OB32PYII_BUILD_DIR");
    if (dir == nullptr || *dir == '\0')
        throw std::runtime_error("OB32PYII_BUILD_DIR is not set (run the tests through ctest)");
    return std::string(dir) + "/" + relativePath;
}

// Each NAME=value of `changes` set in this process while the list lives, for a child to take; the last undone
// first. A program is started from one thread at a time.
inline std::list<EnvironmentVariable> changedEnvironment(const std::vector<std::string>& changes)
{
    std::list<EnvironmentVariable> changed;
    for (const auto& change : changes)
        changed.emplace_front(change.substr(0, change.find('=')), change.substr(change.find('=') + 1).c_str());
    return changed;
}

class RealProgram {
public:
    // Starts ob32pyii with `windowsFolder` as its Windows folder (and, on Linux,
    // the offscreen platform), with each of `environment` ("NAME=value") added;
    // on Linux behind `launcher` when given (setpriv, to run as another account).
    explicit RealProgram(const std::string& windowsFolder, const std::vector<std::string>& environment = {},
                         const std::vector<std::string>& launcher = {});
    ~RealProgram(); // kills the program if it still runs
    RealProgram(const RealProgram&) = delete;
    RealProgram& operator=(const RealProgram&) = delete;

    long pid() const { return m_pid; }
    bool running();
    // Waits until the program has announced the end of its start-up (as
    // ob32pyii-send waits for it); false if it ended or did not get there
    // within `seconds`.
    bool waitUntilStarted(double seconds = 20) { return waitFor(seconds, true); }
    // Waits for the program's end: its exit status, or -1 when it still runs after `seconds`.
    int waitForExit(double seconds = 20) { return waitFor(seconds, false) ? m_status : -1; }
    // /TERMINATE sent as the peer sends it, then the exit status; -1 when the request failed.
    int terminate();

private:
    bool waitFor(double seconds, bool startUp)
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
        for (; std::chrono::steady_clock::now() < deadline;
             std::this_thread::sleep_for(std::chrono::milliseconds(20))) {
            if (startUp && sys::InstanceLock::Watcher(m_folder + "/OB32PYII.INI").started())
                return true;
            if (!running())
                return !startUp;
        }
        return false;
    }

    std::string m_folder;
    long m_pid = 0;
    bool m_reaped = false;
    int m_status = -1;
    void* m_process = nullptr; // the process handle on Windows
};

struct SendResult {
    int exitCode = -1;
    std::string output; // standard output and standard error, lines ending in LF
};

// Runs ob32pyii-send --dir `windowsFolder` with `arguments` and waits for it.
SendResult send(const std::string& windowsFolder, const std::vector<std::string>& arguments);

// The sample database of tools/sample named in NEXOVA.INI; the stored login in the exchange file after `head`.
inline void labFolder(TestDatabase& db, TempDir& dir, const std::string& user, const std::string& password,
                      const std::string& head = "")
{
    if (db.engine() == Engine::PostgreSQL)
        db.exec("SET search_path TO ob");
    for (const auto& statement : splitSqlScript(readSourceFile("tools/sample/sample-data.sql")))
        db.exec(statement);
    dir.write("NEXOVA.INI", "[database]\r\nDB_login=" + db.dbLogin() + "\r\n");
    dir.write("OB32PYII.INI", head + "[OBLogin]\r\nLoginUserName=" + user + "\r\nLoginPassword=" + password + "\r\n");
}

inline int RealProgram::terminate()
{
    return send(m_folder, {"/TERMINATE"}).exitCode == 0 ? waitForExit() : -1;
}

} // namespace ob::test
